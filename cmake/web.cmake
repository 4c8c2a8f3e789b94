# The browser build (emscripten), read by the top-level CMakeLists.txt before the sources:
#   emcmake cmake -S . -B build/web-build -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DBRILLOX_WEB_DEPS="$(scripts/web-deps)"
# (`make web` does this and more). BRILLOX_WEB_DEPS is the prefix with the static SDL2, libpng
# and zlib that scripts/web-deps builds from Debian's sources; emscripten's own ports of them
# would be downloaded at build time. cmake/web-page.cmake, read after the sources, links the
# game for the page.
set(BRILLOX_WEB_DEPS "$ENV{BRILLOX_WEB_DEPS}" CACHE PATH
    "Prefix of the static emscripten libraries (the path scripts/web-deps prints)")
if(NOT BRILLOX_WEB_DEPS OR NOT EXISTS "${BRILLOX_WEB_DEPS}/brillox-web-deps.txt")
    message(FATAL_ERROR "BRILLOX_WEB_DEPS must name the prefix scripts/web-deps printed")
endif()
# emscripten's toolchain finds libraries, headers and packages only under CMAKE_FIND_ROOT_PATH.
list(PREPEND CMAKE_FIND_ROOT_PATH "${BRILLOX_WEB_DEPS}")
set(ZLIB_ROOT "${BRILLOX_WEB_DEPS}")
set(PNG_PNG_INCLUDE_DIR "${BRILLOX_WEB_DEPS}/include")
set(PNG_LIBRARY "${BRILLOX_WEB_DEPS}/lib/libpng16.a")
set(ZLIB_INCLUDE_DIR "${BRILLOX_WEB_DEPS}/include")
set(ZLIB_LIBRARY "${BRILLOX_WEB_DEPS}/lib/libz.a")

# -O2 rather than CMake's -O3: as fast here, and smaller to download.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")

# emscripten brings GL with its own library and CMake's FindOpenGL makes no target for it.
if(NOT TARGET OpenGL::GL)
    add_library(OpenGL::GL INTERFACE IMPORTED)
endif()
