// What the POSIX and the Windows file-system code share: the names of the temporary files
// beside a target, the start of this run, and the read loop that stops at a size limit.
// Internal to src/platform/fs*.cpp; no system header here.
#pragma once
#include <algorithm>
#include <cstddef>
#include <ctime>
#include <string>

#include "platform/fs.h"

namespace platform::fs_detail {

// When this run started: a temporary file older than that was left by an earlier save that
// was killed before it could rename or remove it.
extern const std::time_t run_started;

// Files larger than this are not copied (a player's files are a few kilobytes).
constexpr std::size_t copy_limit = std::size_t{64} << 20;

// The start of a temporary name beside a target: "." + the target's name cut to room bytes
// + ".", to which six random letters or digits are added.
std::string temp_name_start(const std::string& last, std::size_t room);
// Six ASCII letters or digits and the end of the text: the random part of a temporary name.
bool is_temp_suffix(const char* text);

// After a file was replaced whole: true once it is stored for good. The file systems of Linux
// and Windows are the storage themselves (fs_store_posix.cpp); in the browser the files the
// program sees live in memory and the player's folder is copied to the browser's IndexedDB,
// which can fail (fs_store_web.cpp): false then, with the reason in *failure (when given).
bool store_replaced_file(const std::string& path, std::string* failure);

// Sets *failure (when given) and returns false, for the functions that report a reason.
inline bool fail_with(std::string* failure, const std::string& why)
{
    if (failure != nullptr) *failure = why;
    return false;
}

// Reads into contents, up to limit bytes, what read_chunk delivers: read_chunk(buffer, size)
// gives the number of bytes read, 0 at the end and a negative number on failure.
template <class ReadChunk>
ReadResult read_limited(ReadChunk read_chunk, std::size_t limit, std::string& contents)
{
    char buffer[65536];
    for (;;) {
        const long n = read_chunk(buffer, sizeof buffer);
        if (n == 0) return ReadResult::whole;
        if (n < 0) return ReadResult::failed;
        const std::size_t room = limit - contents.size();
        contents.append(buffer, std::min(static_cast<std::size_t>(n), room));
        if (static_cast<std::size_t>(n) > room) return ReadResult::cut;
    }
}

}  // namespace platform::fs_detail
