// What only POSIX systems give a test: symbolic links any user may plant, fifos, file modes,
// other users, signals, fork, /dev and /proc. A test that needs one skips on Windows first
// and says why; the calls here compile on both systems so that such a test stays in one piece.
#pragma once
#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32
#define SKIP_ON_WINDOWS(why) GTEST_SKIP() << "not on Windows: " << why
#else
#define SKIP_ON_WINDOWS(why) static_cast<void>(0)
#endif

namespace testing_support {

#ifdef _WIN32
constexpr bool on_windows = true;
#else
constexpr bool on_windows = false;
#endif

// Why the tests that plant symbolic links skip on Windows.
constexpr const char* no_symlinks_on_windows =
    "a symbolic link needs a privilege there that players lack, and the C++ library cannot "
    "make one";

// A symbolic link at link that points to target; false on failure and always on Windows.
inline bool make_symlink(const std::string& target, const std::string& link)
{
#ifdef _WIN32
    static_cast<void>(target), static_cast<void>(link);
    return false;
#else
    return symlink(target.c_str(), link.c_str()) == 0;
#endif
}

// A fifo at path; false on failure and always on Windows (which has no named fifos in the file
// system).
inline bool make_fifo(const std::string& path)
{
#ifdef _WIN32
    static_cast<void>(path);
    return false;
#else
    return mkfifo(path.c_str(), 0600) == 0;
#endif
}

}  // namespace testing_support
