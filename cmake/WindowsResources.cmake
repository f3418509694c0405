# The resources every Windows program carries: the icon, rendered from the same drawing as the
# Linux icons (data/icons/transmitter-config.svg), a manifest of its own (Debian's MinGW links
# none: without it a program gets no common controls 6, no DPI awareness and no supportedOS
# entries), and the version Explorer shows, from the project's version.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ICOTOOL icotool REQUIRED)

set(WINDOWS_ICON_SIZES 16 32 48)
set(WINDOWS_ICON ${PROJECT_BINARY_DIR}/icons/transmitter-config.ico)
set(icon_svg ${PROJECT_SOURCE_DIR}/data/icons/transmitter-config.svg)
set(icon_pngs)
foreach(side IN LISTS WINDOWS_ICON_SIZES)
    set(png ${PROJECT_BINARY_DIR}/icons/transmitter-config-${side}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons
        COMMAND ${RSVG_CONVERT} --width=${side} --height=${side} --output=${png} ${icon_svg}
        DEPENDS ${icon_svg}
        COMMENT "Rendering the ${side} px icon"
        VERBATIM)
    list(APPEND icon_pngs ${png})
endforeach()
# Uncompressed images at these sizes: every Windows and Wine reads them.
add_custom_command(OUTPUT ${WINDOWS_ICON}
    COMMAND ${ICOTOOL} --create --output=${WINDOWS_ICON} ${icon_pngs}
    DEPENDS ${icon_pngs}
    COMMENT "Packing the Windows icon"
    VERBATIM)
add_custom_target(windows_icon DEPENDS ${WINDOWS_ICON})

# The version as Windows writes it: four numbers.
set(PROGRAM_VERSION4 "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
set(PROGRAM_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")

# add_program_resources(TARGET DESCRIPTION): the icon, the manifest and the version information
# linked into TARGET's .exe.
function(add_program_resources target description)
    set(PROGRAM_NAME ${target})
    set(PROGRAM_DESCRIPTION "${description}")
    set(PROGRAM_ICON ${WINDOWS_ICON})
    set(PROGRAM_MANIFEST ${PROJECT_BINARY_DIR}/resources/${target}.manifest)
    set(rc ${PROJECT_BINARY_DIR}/resources/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/data/windows/program.manifest.in ${PROGRAM_MANIFEST}
        @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/data/windows/program.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    # The resource compiler does not tell CMake which files the script reads.
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
        "${WINDOWS_ICON};${PROGRAM_MANIFEST};${PROJECT_SOURCE_DIR}/src/win32/ResourceIds.h")
    add_dependencies(${target} windows_icon)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
endfunction()
