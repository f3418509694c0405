# What operators on Windows get (scripts/windows.sh --package): in package/, the installer
# transmitter-config-VERSION-setup-x64.exe (NSIS) and the portable
# transmitter-config-VERSION-x64.zip, each holding transmitter-config.exe and transmitter-cli.exe.
option(WINDOWS_PACKAGES "Build the Windows installer and the portable zip" OFF)
if(NOT WINDOWS_PACKAGES)
    return()
endif()
find_program(MAKENSIS makensis REQUIRED)

set(WINDOWS_PACKAGE_DIR ${PROJECT_BINARY_DIR}/package)
file(MAKE_DIRECTORY ${WINDOWS_PACKAGE_DIR})
set(WINDOWS_INSTALLER
    ${WINDOWS_PACKAGE_DIR}/transmitter-config-${PROJECT_VERSION}-setup-x64.exe)
set(zip_folder transmitter-config-${PROJECT_VERSION}-x64)
set(WINDOWS_ZIP ${WINDOWS_PACKAGE_DIR}/${zip_folder}.zip)

# Both hold the programs as built and tested, less their debugging information.
set(staged ${WINDOWS_PACKAGE_DIR}/${zip_folder})
set(staged_window ${staged}/transmitter-config.exe)
set(staged_cli ${staged}/transmitter-cli.exe)
add_custom_command(OUTPUT ${staged_window} ${staged_cli}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${staged}
    COMMAND ${CMAKE_STRIP} -o ${staged_window} $<TARGET_FILE:transmitter-config>
    COMMAND ${CMAKE_STRIP} -o ${staged_cli} $<TARGET_FILE:transmitter-cli>
    DEPENDS transmitter-config transmitter-cli
    COMMENT "Stripping the programs for the packages"
    VERBATIM)

set(INSTALLER ${WINDOWS_INSTALLER})
set(WINDOW_EXE ${staged_window})
set(CLI_EXE ${staged_cli})
set(nsi ${PROJECT_BINARY_DIR}/resources/installer.nsi)
configure_file(${PROJECT_SOURCE_DIR}/data/windows/installer.nsi.in ${nsi} @ONLY)
add_custom_command(OUTPUT ${WINDOWS_INSTALLER}
    COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8 ${nsi}
    DEPENDS ${staged_window} ${staged_cli} ${nsi} ${WINDOWS_ICON}
    COMMENT "Building the installer"
    VERBATIM)

# The zip unpacks into a folder of its own.
add_custom_command(OUTPUT ${WINDOWS_ZIP}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${WINDOWS_ZIP}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${WINDOWS_ZIP} --format=zip ${zip_folder}
    WORKING_DIRECTORY ${WINDOWS_PACKAGE_DIR}
    DEPENDS ${staged_window} ${staged_cli}
    COMMENT "Packing the portable zip"
    VERBATIM)

add_custom_target(windows_packages ALL DEPENDS ${WINDOWS_INSTALLER} ${WINDOWS_ZIP})
