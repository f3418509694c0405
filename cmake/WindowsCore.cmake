# The Windows build: the core, free of toolkit and operating system, and its test suites,
# cross-built with MinGW-w64 (cmake/mingw-w64-x86_64.cmake) and run under Wine by CTest
# (scripts/windows.sh): with transmitter-cli's logic. The edges (src/posix, src/qt), the
# programs, their data and their packages are Linux's.

# nlohmann/json is headers only: Debian's serve the MinGW build too, from a folder that holds
# them alone, since the host's /usr/include must not reach the cross compiler.
find_path(NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/nlohmann_json)
file(CREATE_LINK ${NLOHMANN_JSON_INCLUDE_DIR}/nlohmann ${PROJECT_BINARY_DIR}/nlohmann_json/nlohmann
    SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json INTERFACE
    ${PROJECT_BINARY_DIR}/nlohmann_json)

# The programs' icon, manifest and version information go in through the resource compiler.
enable_language(RC)
include(WindowsResources)

add_subdirectory(src/version)
add_subdirectory(src/seams)
add_subdirectory(src/ui)
add_subdirectory(src/link)
add_subdirectory(src/device)
add_subdirectory(src/sim)
add_subdirectory(src/app)
add_subdirectory(src/win32)
add_subdirectory(tools/transmitter-cli)
include(WindowsPackages)

option(BUILD_TESTING "Build the tests" ON)
if(BUILD_TESTING)
    # No GoogleTest is packaged for MinGW: Debian's googletest sources are built with the rest,
    # and give the same GTest:: targets that find_package(GTest) gives on Linux.
    set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    include(GoogleTest)
    # Tests are listed when CTest runs, through Wine: the build itself needs no Wine.
    set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
    enable_testing()
    add_subdirectory(tests)
endif()
