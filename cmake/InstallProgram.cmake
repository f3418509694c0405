# install_program(TARGET NAME "one-line description")
#
# Installs the program TARGET into bin, and its manual page into section 1. The page is written
# at build time by help2man from the program's own --help and --version, so it lists exactly the
# options the program knows; the program must answer both without a display or a device. The
# one-line description is the page's NAME line (whatis, apropos).
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)

function(install_program target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAME" "")
    if(NOT arg_NAME)
        message(FATAL_ERROR "install_program(${target}): NAME \"description\" is required")
    endif()
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

    set(page ${PROJECT_BINARY_DIR}/man/${target}.1)
    # A sanitizer build reports Qt's objects left at exit as leaks and fails the run; the page
    # needs only the text.
    add_custom_command(OUTPUT ${page} ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
            ${HELP2MAN} --no-info --section=1 "--name=${arg_NAME}" --output=${page}
            $<TARGET_FILE:${target}>
        COMMAND ${GZIP} -9 -n -f -k ${page}
        DEPENDS ${target}
        COMMENT "Writing the manual page of ${target}"
        VERBATIM)
    add_custom_target(${target}_man ALL DEPENDS ${page} ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
