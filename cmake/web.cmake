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

# The game draws on WebGL 2 through the graphics' GLES 3.0 backend.
set(BRILLOX_GRAPHICS_BACKEND gles3 CACHE STRING "The graphics drawing backend: gl1 or gles3")
if(NOT BRILLOX_GRAPHICS_BACKEND STREQUAL "gles3")
    message(FATAL_ERROR "the browser build draws with the gles3 backend, not '${BRILLOX_GRAPHICS_BACKEND}'")
endif()

# -O2 rather than CMake's -O3: as fast here, and smaller to download.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
