// Tests for the file-system services: the temporary directory, case-insensitive name
// resolution and whole-file replacement that never leaves a partial or lost file.
#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace {

using platform::resolve_name_ignoring_case;
using testing_support::entry_count;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;


mode_t permission_bits(const std::string& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

bool write_text(const std::string& path, const std::string& text)
{
    return platform::write_file_atomically(path, text.data(), text.size());
}

TEST(TempDirectory, FollowsTmpdirElseTmp)
{
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("TMPDIR", "/var/scratch//", 1);
    EXPECT_EQ(platform::temp_directory(), "/var/scratch");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(platform::temp_directory(), "/tmp");
    unsetenv("TMPDIR");
    EXPECT_EQ(platform::temp_directory(), "/tmp");
    if (old != nullptr) setenv("TMPDIR", saved.c_str(), 1);
}

TEST(ResolveNameIgnoringCase, FindsTheLastComponentInAnotherCase)
{
    TempDir tmp;
    std::filesystem::create_directory(tmp.file("Data"));
    write_file(tmp.file("Data/level.ini"), "");
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("Data/LEVEL.Ini")), tmp.file("Data/level.ini"));
    // Only the last component is matched, and only ASCII letters fold (\xC9 is not \xE9).
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("data/level.ini")), tmp.file("data/level.ini"));
    write_file(tmp.file("\xE9t\xE9.ini"), "");
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("\xC9t\xC9.ini")), tmp.file("\xC9t\xC9.ini"));
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("\xE9T\xE9.INI")), tmp.file("\xE9t\xE9.ini"));

    testing_support::ScopedChdir in_data(tmp.file("Data"));
    EXPECT_EQ(resolve_name_ignoring_case("Level.ini"), "level.ini");
    EXPECT_EQ(resolve_name_ignoring_case("missing.ini"), "missing.ini");
}

TEST(ResolveNameIgnoringCase, PrefersTheExactNameThenTheFirstInSortedOrder)
{
    TempDir tmp;
    for (const char* name : {"level.INI", "LEVEL.ini", "Level.Ini"}) write_file(tmp.file(name), "");
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("Level.Ini")), tmp.file("Level.Ini"));
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("level.ini")), tmp.file("LEVEL.ini"));
}

TEST(WriteFileAtomically, ReplacesContentsWithTheOldOrUsualPermissions)
{
    TempDir tmp;
    write_file(tmp.file("a.ini"), "old contents, longer than the new ones");
    ASSERT_EQ(chmod(tmp.file("a.ini").c_str(), 0604), 0);
    ASSERT_TRUE(write_text(tmp.file("a.ini"), std::string("n\0w\r\n\xff", 6)));
    EXPECT_EQ(read_file(tmp.file("a.ini")), std::string("n\0w\r\n\xff", 6));
    EXPECT_EQ(permission_bits(tmp.file("a.ini")), 0604u);

    const mode_t old_mask = umask(027);
    const bool created = write_text(tmp.file("b.ini"), "");
    umask(old_mask);
    ASSERT_TRUE(created);
    EXPECT_EQ(permission_bits(tmp.file("b.ini")), 0640u);
    EXPECT_EQ(entry_count(tmp.path()), 2);  // no temporary file left behind
}

TEST(WriteFileAtomically, ReplacesTheTargetOfASymbolicLink)
{
    TempDir tmp;
    std::filesystem::create_directory(tmp.file("links"));
    write_file(tmp.file("game.ini"), "old");
    ASSERT_EQ(chmod(tmp.file("game.ini").c_str(), 0600), 0);
    // A relative link is relative to its own directory, not to the working directory.
    ASSERT_EQ(symlink("../game.ini", tmp.file("links/game.ini").c_str()), 0);
    ASSERT_EQ(symlink("../new.ini", tmp.file("links/new.ini").c_str()), 0);

    ASSERT_TRUE(write_text(tmp.file("links/game.ini"), "new"));
    ASSERT_TRUE(write_text(tmp.file("links/new.ini"), "created"));
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("links/game.ini")));
    EXPECT_EQ(read_file(tmp.file("game.ini")), "new");
    EXPECT_EQ(permission_bits(tmp.file("game.ini")), 0600u);
    EXPECT_EQ(read_file(tmp.file("new.ini")), "created");
    EXPECT_EQ(entry_count(tmp.file("links")), 2);
}

TEST(WriteFileAtomically, FailureLeavesTheOldFileAndNoTemporaryFile)
{
    TempDir tmp;
    write_file(tmp.file("a.ini"), "old");
    std::filesystem::create_directory(tmp.file("dir.ini"));
    EXPECT_FALSE(write_text(tmp.file("missing/a.ini"), "x"));
    EXPECT_FALSE(write_text(tmp.file("dir.ini"), "x"));

    bool written;
    {
        testing_support::ScopedFileSizeLimit full_disk(100);  // the write fails part-way
        written = write_text(tmp.file("a.ini"), std::string(4096, 'n'));
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(read_file(tmp.file("a.ini")), "old");
    EXPECT_EQ(entry_count(tmp.path()), 2);
}

}  // namespace
