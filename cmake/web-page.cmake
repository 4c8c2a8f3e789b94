# The game linked for the browser and the page around it, read by the top-level CMakeLists.txt
# after the sources in a browser build (cmake/web.cmake). The target web_page writes the
# folder BRILLOX_WEB_OUTPUT that a static web server serves: index.html with its script and
# style (from web/), brillox.js and brillox.wasm (the program), brillox.data (the game's data,
# unpacked into the page's file system before the program starts).
set(BRILLOX_WEB_OUTPUT "${PROJECT_BINARY_DIR}/web" CACHE PATH "The folder the page is written to")

# Every screen of the game is a loop of its own that waits for its next frame. In the browser
# such a wait must hand the page back (to show the frame, play sound, take keys): ASYNCIFY
# lets emscripten_sleep unwind the program's stack and resume it later. Only the functions
# that may be on the stack during a sleep are rewritten for that: those that reach a sleep by
# direct calls are found by emscripten itself; calls through a function pointer are assumed
# never to sleep (ASYNCIFY_IGNORE_INDIRECT, which keeps the program small and fast), except in
# the functions listed here, whose calls through pointers may lead to a sleep:
set(brillox_may_sleep_through_pointers
    # The runtime's entry calls the program's main routine (game_main) through a pointer; the
    # optimizer inlines the entry into main.
    "main"
    # The playfield rules call the play loop's host (PlayfieldHost) through its virtual
    # functions, and the host shows frames (the quota's flash) and pauses (the sound key). The
    # optimizer merges a function called from one place into its caller, so the calls end up in
    # one of these three; emcc warns that the others do not exist.
    "player_step(double, double)"
    "field_step()"
    "play_pass(double)"
)
# (The exit-time work registered with atexit runs from emscripten's JavaScript, where nothing
# may sleep: the player's files are stored by the page once the program has ended.)
# Names with spaces and "$" do not survive a command line: emcc reads these lists from files.
list(JOIN brillox_may_sleep_through_pointers "\n" brillox_asyncify_add)
file(CONFIGURE OUTPUT "${PROJECT_BINARY_DIR}/web-asyncify-add.txt" CONTENT "${brillox_asyncify_add}\n")
# SDL's audio needs these two from emscripten's library, which 3.1.6 does not add itself.
file(CONFIGURE OUTPUT "${PROJECT_BINARY_DIR}/web-library-functions.txt"
     CONTENT "$autoResumeAudioContext\n$dynCall\n")

set(brillox_web_link_options
    -sASYNCIFY
    -sASYNCIFY_IGNORE_INDIRECT
    "-sASYNCIFY_ADD=@${PROJECT_BINARY_DIR}/web-asyncify-add.txt"
    # The program's stack as saved during a sleep; the game's deepest screens need more than
    # the default 4 KB.
    -sASYNCIFY_STACK_SIZE=65536
    -sALLOW_MEMORY_GROWTH
    # The page starts the program itself (after a click, or from its test hook) and reads its
    # files afterwards: the exit runs the program's exit-time work and tells the page.
    -sINVOKE_RUN=0
    -sEXIT_RUNTIME
    "-sEXPORTED_RUNTIME_METHODS=[\"callMain\",\"FS\"]"
    -sFORCE_FILESYSTEM
    -lidbfs.js
    # WebGL 2 (OpenGL ES 3.0) only.
    -sMIN_WEBGL_VERSION=2
    -sMAX_WEBGL_VERSION=2
    "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${PROJECT_BINARY_DIR}/web-library-functions.txt"
    --pre-js "${PROJECT_SOURCE_DIR}/web/brillox-module.js"
    # The data folder, README aside, at /brillox (where system_web.cpp puts the program).
    --preload-file "${PROJECT_SOURCE_DIR}/data@/brillox"
    --exclude-file "${PROJECT_SOURCE_DIR}/data/README.md"
)
target_link_options(brillox PRIVATE ${brillox_web_link_options})
set_target_properties(brillox PROPERTIES SUFFIX ".js"
    LINK_DEPENDS "${PROJECT_SOURCE_DIR}/web/brillox-module.js")
# The data is packed at link time: a changed file in data/ must link again.
file(GLOB_RECURSE brillox_web_data CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/data/*")
set_property(TARGET brillox APPEND PROPERTY LINK_DEPENDS ${brillox_web_data})

set(brillox_page_sources index.html brillox-page.js brillox.css)
list(TRANSFORM brillox_page_sources PREPEND "${PROJECT_SOURCE_DIR}/web/"
     OUTPUT_VARIABLE brillox_page_source_paths)
add_custom_target(web_page ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory "${BRILLOX_WEB_OUTPUT}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${brillox_page_source_paths}
            "$<TARGET_FILE_DIR:brillox>/brillox.js" "$<TARGET_FILE_DIR:brillox>/brillox.wasm"
            "$<TARGET_FILE_DIR:brillox>/brillox.data" "${BRILLOX_WEB_OUTPUT}/"
    DEPENDS brillox ${brillox_page_source_paths}
    COMMENT "Writing the page to ${BRILLOX_WEB_OUTPUT}"
    VERBATIM)
