# Read after CMake's Windows-GNU platform rules (CMAKE_USER_MAKE_RULES_OVERRIDE, set by
# windows-toolchain.cmake): find_library takes a static archive (libX.a) before an import library
# (libX.dll.a), so that the programs link the libraries in and need no DLL beside them.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .dll.a .lib)
