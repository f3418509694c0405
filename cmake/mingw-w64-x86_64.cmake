# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (the posix thread model, for
# std::thread and std::mutex) and runs the results under Wine:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# scripts/windows.sh does this with a throwaway Wine prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

# Headers and libraries from the MinGW tree only; programs (Wine, code generators) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread linked in: the .exe files need no MinGW DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# CTest and gtest_discover_tests start the test programs through Wine.
find_program(WINE_PROGRAM NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
