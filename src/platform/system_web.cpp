// Process services in the browser (emscripten): the program lives in the page's in-memory file
// system, beside its data; there are no signals, no debugger and no boxes of its own; the
// keyboard is read from the page's canvas. The page (web/brillox-runtime.js) puts the data and
// the player's folder in place before the program starts.
#include <SDL2/SDL.h>
#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/files_open.h"
#include "platform/system.h"
#include "platform/system_os.h"

namespace platform {

void attach_parent_console()
{
    // Standard output and error go to the browser's console already.
}

void ignore_file_size_signal()
{
    // No file-size limits and no signals in a page.
}

void catch_system_termination_requests()
{
    // A page is not asked to end: closing the tab ends it outright, which loses nothing saved
    // (a save counts only once the browser has stored it). What the program needs of the page
    // is set here, before the video starts:
    // - the keys are taken from the canvas (which the page focuses), not from the whole page,
    //   so that the page's own controls keep theirs;
    // - a buffer swap does not hand the page back to the browser by itself: the program's
    //   sleeps and keep_system_responsive (clock_web.cpp) decide when it does.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_KEYBOARD_ELEMENT, "#canvas");
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
    // emscripten's file mode mask starts out as 0777: its file system never applies it, but the
    // program's own files, made with 0666 less the mask, would get no permissions at all.
    ::umask(022);
}

bool termination_requested()
{
    return false;
}

std::string program_path()
{
    // The page unpacks the game's data into /brillox (web/brillox-runtime.js); the program
    // counts as lying beside it, as a copy of the game with its data does.
    return "/brillox/brillox";
}

bool set_working_directory(const std::string& dir)
{
    return ::chdir(dir.c_str()) == 0;
}

void show_message_box(const std::string& title, const std::string& text, bool /*warning*/)
{
    // A box of the page's own (alert) would stop the page, sound and all, until clicked; the
    // console shows the text instead.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
}

void beep() {}

bool debugger_attached()
{
    return false;
}

void debug_output(const char* /*text*/) {}

std::string display_environment()
{
    return "a web page";
}

const char* without_screen_advice()
{
    return "The browser gave the page no WebGL 2.";
}

std::string system_ui_language()
{
    // The browser's first language, "de-DE" or "en-US". Emscripten's made-up environment
    // already carries it as LANG; this answers when a page has set the locale variables aside.
    char name[64] = {};
    EM_ASM(
        {
            const language =
                (navigator.languages && navigator.languages[0]) || navigator.language || "";
            stringToUTF8(language, $0, $1);
        },
        name, sizeof name);
    return name;
}

}  // namespace platform
