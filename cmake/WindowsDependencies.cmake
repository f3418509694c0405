# What the Windows build needs beyond the MinGW-w64 toolchain: the JSON library, which Debian
# packages for the host only, and the resource compiler with the programs' icon, manifest and
# version information.

# nlohmann/json is headers only: Debian's serve the MinGW build too, from a folder that holds
# them alone, since the host's /usr/include must not reach the cross compiler.
find_path(NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/nlohmann_json)
file(CREATE_LINK ${NLOHMANN_JSON_INCLUDE_DIR}/nlohmann ${PROJECT_BINARY_DIR}/nlohmann_json/nlohmann
    SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json INTERFACE
    ${PROJECT_BINARY_DIR}/nlohmann_json)

enable_language(RC)
include(WindowsResources)
