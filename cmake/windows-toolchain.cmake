# Cross-builds brillox (and the libraries scripts/windows-deps builds for it) for 64-bit Windows
# with Debian's MinGW-w64 compilers:
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/windows-toolchain.cmake \
#         -DBRILLOX_WINDOWS_DEPS="$(scripts/windows-deps)"
# BRILLOX_WINDOWS_DEPS (a cache variable or the environment variable of that name) is the prefix
# holding the static SDL2, libpng, zlib and googletest. Programs are linked statically, so they
# import only the system's own DLLs, and ctest runs them through Wine (scripts/wine-run).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BRILLOX_MINGW_TRIPLET x86_64-w64-mingw32)
# The -posix compilers: the default win32 thread model of GCC 12 has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${BRILLOX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRILLOX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BRILLOX_MINGW_TRIPLET}-windres)

if(NOT BRILLOX_WINDOWS_DEPS AND DEFINED ENV{BRILLOX_WINDOWS_DEPS})
    set(BRILLOX_WINDOWS_DEPS "$ENV{BRILLOX_WINDOWS_DEPS}")
endif()
set(BRILLOX_WINDOWS_DEPS "${BRILLOX_WINDOWS_DEPS}" CACHE PATH
    "Prefix of the static Windows libraries (the path scripts/windows-deps prints)")
# try_compile projects read this file again; they need the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRILLOX_WINDOWS_DEPS)

# Libraries, headers and CMake packages come from the deps prefix first, then the MinGW sysroot,
# never from the build machine; programs (compilers, generators) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${BRILLOX_MINGW_TRIPLET})
if(BRILLOX_WINDOWS_DEPS)
    list(PREPEND CMAKE_FIND_ROOT_PATH "${BRILLOX_WINDOWS_DEPS}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CMake's Windows-GNU platform file prefers import libraries (.dll.a) and is read after this
# file; the override file, read after it, puts static archives first.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/windows-static-libraries.cmake)
set(ZLIB_USE_STATIC_LIBS ON)

# The C and C++ runtimes and winpthreads go into the program: it needs no MinGW DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# ctest, gtest_discover_tests and add_custom_command run the Windows programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
