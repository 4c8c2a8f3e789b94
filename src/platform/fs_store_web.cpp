// The storage behind the player's files in the browser. The files the program sees live in
// the page's memory; the player's folder is a mount of the browser's IndexedDB that the page
// loads before the program starts (web/brillox-runtime.js). A file replaced there counts as
// saved only once the page has copied the folder back to IndexedDB, so the program waits for
// that copy (the page goes on meanwhile) and reports a save whose copy failed as failed. The
// page's memory keeps the new contents then, and the next copy that succeeds stores them.
#include <emscripten.h>

#include <string>

#include "platform/fs.h"
#include "platform/fs_internal.h"

namespace {

// The bodies are JavaScript, which clang-format would take apart.
// clang-format off
// 1 while the program's exit runs (emscripten's exit-time work, where nothing may sleep).
EM_JS(int, program_exiting, (), { return Module.brilloxExiting ? 1 : 0; });

// 1 when the page stored the player's folder, else 0. The page's brilloxStore resolves with
// "" or the reason it failed, which goes to the console.
EM_ASYNC_JS(int, store_player_folder, (), {
    if (!Module.brilloxStore) return 1;
    const reason = await Module.brilloxStore();
    if (reason === "") return 1;
    console.error("brillox: the browser did not store the player's files: " + reason);
    return 0;
});
// clang-format on

}  // namespace

namespace platform::fs_detail {

bool store_replaced_file(const std::string& path, std::string* failure)
{
    // Only the user's data folder is kept in IndexedDB; outputs such as traces and captures
    // live as long as the page.
    const std::string stored = user_data_directory() + "/";
    if (path.compare(0, stored.size(), stored) != 0) return true;
    // The exit-time saves are stored by the page once the program has ended.
    if (program_exiting() != 0) return true;
    if (store_player_folder() != 0) return true;
    return fail_with(failure, "the browser's storage (IndexedDB) did not keep it");
}

}  // namespace platform::fs_detail
