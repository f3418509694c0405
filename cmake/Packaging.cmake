# The Debian package: cpack -G DEB in a build configured with CMAKE_INSTALL_PREFIX=/usr
# (scripts/package.sh does that). It holds everything `cmake --install` installs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME transmitter-config)
# CPACK_PACKAGE_VERSION defaults to the project's version: the one in project().
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_CONTACT "Transmitter configuration tool maintainers <maintainers@users.noreply.c-seed-3cd6a5aa.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_STRIP_FILES ON)

# The shared libraries the programs link (Qt, the C++ runtime) become dependencies through
# dpkg-shlibdeps. Qt's xcb and offscreen platform plugins come with libqt6gui6, which that
# finds; the icon is embedded as PNG, which Qt reads without a plugin. What it cannot see is
# the font the window asks for first, with the one it falls back to as the alternative.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-gbsn00lp | fonts-noto-cjk")

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configuration tool for an RS485 rotary position transmitter (Modbus RTU)")
# The summary above is its first line; CPack indents the rest as Debian's control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"transmitter-config is the Modbus RTU master (115200 baud, 8N1) for one
rotary position transmitter on an RS485 bus: it opens a serial port, loads
the device's configuration into one window, shows the live position, the
status and the firmware version, writes the configuration back and presets
the position. transmitter-config --demo runs it against a built-in
simulated transmitter; transmitter-sim serves one on a pseudo-terminal.

This package does not change device permissions. To open serial ports as a
normal user, join the dialout group (sudo adduser USER dialout) and log in
again.")

include(CPack)
