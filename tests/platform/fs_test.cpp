// Tests for the file-system services: the temporary directory, case-insensitive name
// resolution, whole-file replacement that never leaves a partial or lost file nor changes
// what the file is, the private log file, and the folder and files of the player's own.
// Tests of POSIX-only behaviour (permission modes, symbolic links, owners, other users) say so
// and are skipped on Windows, where the same promises have tests of their own.
#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/ordinary_user.h"
#include "support/temp_dir.h"

namespace {

using platform::resolve_name_ignoring_case;
using testing_support::entry_count;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

bool write_text(const std::string& path, const std::string& text)
{
    return platform::replace_file_contents(path, text.data(), text.size());
}

// The contents as the platform layer reads them: the way to check a file whose name is not
// plain ASCII on every system.
std::string read_back(const std::string& path)
{
    std::string contents;
    platform::read_whole_file(path, 1 << 20, contents, true);
    return contents;
}

#ifndef _WIN32
mode_t permission_bits(const std::string& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}
#endif

TEST(TempDirectory, IsAnExistingFolderWithoutATrailingSeparator)
{
    const std::string dir = platform::temp_directory();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(platform::is_directory(dir)) << dir;
    EXPECT_TRUE(dir == "/" || (dir.back() != '/' && dir.back() != '\\')) << dir;
}

TEST(TempDirectory, FollowsTmpdirThenTheRuntimeDirectoryElseTmp)
{
#ifdef _WIN32
    GTEST_SKIP() << "TMPDIR and XDG_RUNTIME_DIR are POSIX variables; Windows asks GetTempPathW";
#else
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("TMPDIR", "/var/scratch//", 1);
    EXPECT_EQ(platform::temp_directory(), "/var/scratch");
    testing_support::ScopedEnv runtime_dir("XDG_RUNTIME_DIR", "/run/user/1000");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(platform::temp_directory(), "/run/user/1000");
    unsetenv("TMPDIR");
    EXPECT_EQ(platform::temp_directory(), "/run/user/1000");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(platform::temp_directory(), "/tmp");
    if (old != nullptr) setenv("TMPDIR", saved.c_str(), 1);
#endif
}

TEST(ResolveNameIgnoringCase, FindsTheLastComponentInAnotherCase)
{
    TempDir tmp;
    std::filesystem::create_directory(tmp.file("Data"));
    write_file(tmp.file("Data/level.ini"), "");
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("Data/LEVEL.Ini")), tmp.file("Data/level.ini"));
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("Data/missing.ini")),
              tmp.file("Data/missing.ini"));
#ifdef _WIN32
    GTEST_SKIP() << "the rest needs a file system that tells letter cases apart";
#else
    // Only the last component is matched, and only ASCII letters fold (\xC9 is not \xE9).
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("data/level.ini")), tmp.file("data/level.ini"));
    write_file(tmp.file("\xE9t\xE9.ini"), "");
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("\xC9t\xC9.ini")), tmp.file("\xC9t\xC9.ini"));
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("\xE9T\xE9.INI")), tmp.file("\xE9t\xE9.ini"));

    testing_support::ScopedChdir in_data(tmp.file("Data"));
    EXPECT_EQ(resolve_name_ignoring_case("Level.ini"), "level.ini");
    EXPECT_EQ(resolve_name_ignoring_case("missing.ini"), "missing.ini");
#endif
}

TEST(ResolveNameIgnoringCase, PrefersTheExactNameThenTheFirstInSortedOrder)
{
#ifdef _WIN32
    GTEST_SKIP() << "names differing only in letter case are one file on Windows";
#else
    TempDir tmp;
    for (const char* name : {"level.INI", "LEVEL.ini", "Level.Ini"}) write_file(tmp.file(name), "");
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("Level.Ini")), tmp.file("Level.Ini"));
    EXPECT_EQ(resolve_name_ignoring_case(tmp.file("level.ini")), tmp.file("LEVEL.ini"));
#endif
}

TEST(ReplaceFileContents, ReplacesContentsWithTheOldOrUsualPermissions)
{
#ifdef _WIN32
    GTEST_SKIP() << "permission modes and the umask are POSIX; Windows keeps the ACL";
#else
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
#endif
}

TEST(ReplaceFileContents, ReplacesTheTargetOfASymbolicLink)
{
#ifdef _WIN32
    GTEST_SKIP() << "making a symbolic link needs a privilege on Windows";
#else
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
#endif
}

TEST(ReplaceFileContents, FailureLeavesTheOldFileAndNoTemporaryFile)
{
    TempDir tmp;
    write_file(tmp.file("a.ini"), "old");
    std::filesystem::create_directory(tmp.file("dir.ini"));
    EXPECT_FALSE(write_text(tmp.file("missing/a.ini"), "x"));
    EXPECT_FALSE(write_text(tmp.file("dir.ini"), "x"));
    EXPECT_EQ(entry_count(tmp.path()), 2);

#ifdef _WIN32
    GTEST_SKIP() << "a full disk is made with a file-size limit, which Windows does not have";
#else
    bool written;
    {
        testing_support::ScopedFileSizeLimit full_disk(100);  // the write fails part-way
        written = write_text(tmp.file("a.ini"), std::string(4096, 'n'));
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(read_file(tmp.file("a.ini")), "old");
    EXPECT_EQ(entry_count(tmp.path()), 2);
#endif
}

#ifndef _WIN32
struct FileFacts {
    ino_t inode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

FileFacts facts(const std::string& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return {info.st_ino, info.st_uid, info.st_gid};
}

const uid_t nobody = 65534;
#endif

TEST(ReplaceFileContents, KeepsHardLinksOwnerAndGroupAndSavesLongNames)
{
    TempDir tmp;
    write_file(tmp.file("a.ini"), "old");
    std::filesystem::create_hard_link(tmp.file("a.ini"), tmp.file("b.ini"));
    ASSERT_TRUE(write_text(tmp.file("a.ini"), "new"));
    EXPECT_EQ(read_file(tmp.file("b.ini")), "new");  // still one file under two names
    EXPECT_TRUE(std::filesystem::equivalent(tmp.file("a.ini"), tmp.file("b.ini")));
    EXPECT_TRUE(platform::same_file(tmp.file("a.ini"), tmp.file("b.ini")));
    EXPECT_EQ(entry_count(tmp.path()), 2);

#ifdef _WIN32
    GTEST_SKIP() << "a name near 255 bytes makes a path longer than Windows' 260 characters, "
                    "and owners are POSIX";
#else
    // ".name.XXXXXX" of a name near the limit would be too long; the save still happens.
    const std::string long_name = tmp.file(std::string(250, 'n') + ".ini");
    ASSERT_TRUE(write_text(long_name, "x"));
    ASSERT_TRUE(write_text(long_name, "y"));
    EXPECT_EQ(read_file(long_name), "y");
    EXPECT_EQ(entry_count(tmp.path()), 3);

    if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
    write_file(tmp.file("c.ini"), "old");
    ASSERT_EQ(chown(tmp.file("c.ini").c_str(), nobody, nobody), 0);
    ASSERT_TRUE(write_text(tmp.file("c.ini"), "new"));
    EXPECT_EQ(facts(tmp.file("c.ini")).owner, nobody);
    EXPECT_EQ(facts(tmp.file("c.ini")).group, nobody);
#endif
}

// A read-only file stays as it is on every system (Wine would let the rename replace it).
TEST(ReplaceFileContents, LeavesAFileTheUserMayNotWrite)
{
    TempDir tmp;
    write_file(tmp.file("a.ini"), "old");
    std::filesystem::permissions(tmp.file("a.ini"),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    std::string failure;
    EXPECT_FALSE(platform::replace_file_contents(tmp.file("a.ini"), "new", 3, &failure));
    EXPECT_EQ(failure, "Permission denied");
    EXPECT_EQ(read_file(tmp.file("a.ini")), "old");
    EXPECT_EQ(entry_count(tmp.path()), 1);  // no temporary file left behind

#ifdef _WIN32
    GTEST_SKIP() << "the file of another user is made by root, which is POSIX";
#else
    if (geteuid() != 0) GTEST_SKIP() << "a file of another user needs root";
    // Root's file, readable by all, in a directory anybody may change.
    ASSERT_EQ(chmod(tmp.path().c_str(), 0777), 0);
    ASSERT_EQ(chmod(tmp.file("a.ini").c_str(), 0644), 0);
    const auto verdict = testing_support::run_as_ordinary_user(
        [&] { return !write_text(tmp.file("a.ini"), "new"); });
    ASSERT_NE(verdict, testing_support::UserRun::impossible);
    EXPECT_EQ(verdict, testing_support::UserRun::passed);
    EXPECT_EQ(read_file(tmp.file("a.ini")), "old");
    EXPECT_EQ(facts(tmp.file("a.ini")).owner, 0u);
#endif
}

TEST(ReplaceFileContents, WritesInPlaceInADirectoryTheUserMayNotChange)
{
#ifdef _WIN32
    GTEST_SKIP() << "a folder of another user is made by root, which is POSIX";
#else
    if (geteuid() != 0) GTEST_SKIP() << "a directory of another user needs root";
    TempDir tmp;
    ASSERT_EQ(chmod(tmp.path().c_str(), 0755), 0);
    write_file(tmp.file("a.ini"), "old contents");
    ASSERT_EQ(chmod(tmp.file("a.ini").c_str(), 0666), 0);  // a shared, writable score file
    const FileFacts before = facts(tmp.file("a.ini"));
    const auto verdict = testing_support::run_as_ordinary_user([&] {
        bool too_big_written;
        {
            testing_support::ScopedFileSizeLimit limit(20);
            too_big_written = write_text(tmp.file("a.ini"), std::string(100, 'x'));
        }
        return !too_big_written && read_file(tmp.file("a.ini")) == "old contents" &&
               write_text(tmp.file("a.ini"), "new");
    });
    ASSERT_NE(verdict, testing_support::UserRun::impossible);
    EXPECT_EQ(verdict, testing_support::UserRun::passed);
    EXPECT_EQ(read_file(tmp.file("a.ini")), "new");
    EXPECT_EQ(facts(tmp.file("a.ini")).inode, before.inode);
    EXPECT_EQ(facts(tmp.file("a.ini")).owner, 0u);
#endif
}

TEST(ReplaceFileContents, RemovesOnlyStaleTemporariesOfTheSameFile)
{
    TempDir tmp;
    const char* const stale = ".a.ini.Ab12Cd";
    const char* const kept[] = {".a.ini.Zz99Yy", ".a.ini.Ab12Cde", ".b.ini.Ab12Cd"};
    write_file(tmp.file(stale), "killed");
    for (const char* name : kept) write_file(tmp.file(name), "other");
    const auto an_hour_ago = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* name : {stale, kept[1], kept[2]}) {
        std::filesystem::last_write_time(tmp.file(name), an_hour_ago);
    }

    ASSERT_TRUE(write_text(tmp.file("a.ini"), "saved"));
    EXPECT_FALSE(testing_support::file_exists(tmp.file(stale)));
    for (const char* name : kept) EXPECT_TRUE(testing_support::file_exists(tmp.file(name))) << name;
}

// The game names its files by their bare names in the data folder it runs in; the new file
// must land in that folder, not beside the program.
TEST(ReplaceFileContents, ReplacesAFileNamedWithoutAFolder)
{
    TempDir tmp;
    write_file(tmp.file("a.ini"), "old");
    const std::filesystem::path started_in = std::filesystem::current_path();
    std::filesystem::current_path(tmp.path());
    std::string failure;
    const bool replaced = platform::replace_file_contents("a.ini", "new", 3, &failure);
    std::filesystem::current_path(started_in);
    EXPECT_TRUE(replaced) << failure;
    EXPECT_EQ(read_file(tmp.file("a.ini")), "new");
    EXPECT_EQ(entry_count(tmp.path()), 1);
}

// A file another program holds open without letting it be renamed is left as it was.
TEST(ReplaceFileContents, FailsOnAFileHeldOpenOnWindows)
{
#ifndef _WIN32
    GTEST_SKIP() << "POSIX systems rename over an open file";
#else
    TempDir tmp;
    write_file(tmp.file("a.ini"), "old");
    std::FILE* held = std::fopen(tmp.file("a.ini").c_str(), "rb");  // no FILE_SHARE_DELETE
    ASSERT_NE(held, nullptr);
    std::string failure;
    EXPECT_FALSE(platform::replace_file_contents(tmp.file("a.ini"), "new", 3, &failure));
    std::fclose(held);
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(read_file(tmp.file("a.ini")), "old");
    // No temporary file is left beside it.
    EXPECT_EQ(entry_count(tmp.path()), 1);
#endif
}

// Windows refuses to replace a read-only file, but Wine's MoveFileExW replaces it: the program
// checks the attribute itself, so that an output never lands on one.
TEST(OutputFiles, LeaveAReadOnlyFileAsItWasOnWindows)
{
#ifndef _WIN32
    GTEST_SKIP() << "on POSIX systems the folder's permissions decide whether a file is replaced";
#else
    TempDir tmp;
    write_file(tmp.file("trace.txt"), "old");
    std::filesystem::permissions(tmp.file("trace.txt"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    std::string failure;
    EXPECT_EQ(platform::output_file_problem(tmp.file("trace.txt")), "Permission denied");
    EXPECT_EQ(platform::create_output_file(tmp.file("trace.txt"), &failure), -1);
    EXPECT_EQ(failure, "Permission denied");

    std::string staged;
    ASSERT_TRUE(platform::make_output_stage(tmp.file("trace.txt"), staged));
    ASSERT_TRUE(write_text(staged, "new"));
    EXPECT_FALSE(platform::commit_output_stage(staged, tmp.file("trace.txt"), &failure));
    EXPECT_EQ(failure, "Permission denied");
    EXPECT_EQ(read_file(tmp.file("trace.txt")), "old");
    EXPECT_EQ(entry_count(tmp.path()), 1);  // the stage's folder is gone
#endif
}

// A user folder such as "C:\Users\Jürgen" on Windows: a UTF-8 name reaches the system as the
// same name, for every kind of access.
TEST(NonAsciiNames, AFolderNamedJuergenTakesSavesReportsAndCopies)
{
    TempDir tmp;
    const std::string dir = tmp.file("J\xC3\xBCrgen/brillox");
    ASSERT_TRUE(platform::make_private_directories(dir));
    ASSERT_TRUE(write_text(dir + "/Spielst\xC3\xA4nde.ini", "[eins]\r\n"));
    ASSERT_TRUE(write_text(dir + "/Spielst\xC3\xA4nde.ini", "[zwei]\r\n"));
    EXPECT_EQ(read_back(dir + "/Spielst\xC3\xA4nde.ini"), "[zwei]\r\n");
    EXPECT_TRUE(platform::append_to_own_file(dir + "/ErrorLog.txt", "a\n"));
    EXPECT_TRUE(platform::append_to_own_file(dir + "/ErrorLog.txt", "b\n"));
    EXPECT_EQ(read_back(dir + "/ErrorLog.txt"), "a\nb\n");
    EXPECT_TRUE(platform::copy_file_if_missing(dir + "/ErrorLog.txt", dir + "/Kopie.txt"));
    EXPECT_EQ(read_back(dir + "/Kopie.txt"), "a\nb\n");
    EXPECT_TRUE(platform::lock_file(dir + "/Spielst\xC3\xA4nde.ini", 0).held());
    EXPECT_EQ(platform::files_in_directory(dir, ".ini"),
              std::vector<std::string>{"Spielst\xC3\xA4nde.ini"});

    // The names on disk are the ones written, not their bytes in another code page.
    const std::filesystem::path on_disk =
        std::filesystem::path(tmp.path()) / std::filesystem::path(u8"J\u00fcrgen");
    EXPECT_TRUE(std::filesystem::exists(on_disk / "brillox" / u8"Spielst\u00e4nde.ini"));
    EXPECT_EQ(entry_count(tmp.path()), 1);
    // The file, its lock file, the report and the copy: no temporary file is left.
    const std::filesystem::directory_iterator entries(on_disk / "brillox");
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 4);
}

TEST(AppendToOwnFile, RefusesLinksAndOtherUsersFiles)
{
#ifdef _WIN32
    GTEST_SKIP() << "making a symbolic link needs a privilege on Windows, and owners are POSIX";
#else
    TempDir tmp;
    write_file(tmp.file("victim"), "mine\n");
    ASSERT_EQ(symlink(tmp.file("victim").c_str(), tmp.file("log").c_str()), 0);
    std::string failure;
    EXPECT_FALSE(platform::append_to_own_file(tmp.file("log"), "report\n", &failure));
    EXPECT_EQ(failure, "it is a symbolic link");
    EXPECT_EQ(read_file(tmp.file("victim")), "mine\n");

    EXPECT_TRUE(platform::append_to_own_file(tmp.file("new"), "a\n"));
    EXPECT_TRUE(platform::append_to_own_file(tmp.file("new"), "b\n"));
    EXPECT_EQ(read_file(tmp.file("new")), "a\nb\n");

    if (geteuid() != 0) GTEST_SKIP() << "a file of another user needs root";
    ASSERT_EQ(chown(tmp.file("new").c_str(), nobody, nobody), 0);
    EXPECT_FALSE(platform::append_to_own_file(tmp.file("new"), "c\n", &failure));
    EXPECT_EQ(failure, "it belongs to another user");
#endif
}

// ---- The player's own folder ----

TEST(UserDataDirectory, TakesAnAbsoluteXdgDataHomeElseHomesLocalShare)
{
#ifdef _WIN32
    GTEST_SKIP() << "XDG_DATA_HOME and HOME are POSIX; Windows asks for the roaming AppData";
#else
    testing_support::ScopedEnv home("HOME", "/home/anna/");
    {
        testing_support::ScopedEnv data_home("XDG_DATA_HOME", "/srv/anna/data/");
        EXPECT_EQ(platform::user_data_directory(), "/srv/anna/data");
    }
    // Empty and relative values are ignored, as the XDG base directory rules ask.
    for (const char* ignored : {"", "data", "./data"}) {
        testing_support::ScopedEnv data_home("XDG_DATA_HOME", ignored);
        EXPECT_EQ(platform::user_data_directory(), "/home/anna/.local/share") << ignored;
    }
    // Without a usable HOME the account's home directory is taken.
    testing_support::ScopedEnv data_home("XDG_DATA_HOME", "");
    testing_support::ScopedEnv relative_home("HOME", "anna");
    const std::string from_account = platform::user_data_directory();
    EXPECT_EQ(from_account.rfind('/', 0), 0u) << from_account;
    EXPECT_NE(from_account.find("/.local/share"), std::string::npos) << from_account;
#endif
}

// ---- Names of one file ----

TEST(Paths, TwoSpellingsOfOneFileGiveOneText)
{
    TempDir tmp;
    std::filesystem::create_directory(tmp.file("dir"));
    write_file(tmp.file("dir/old.txt"), "");
    EXPECT_EQ(platform::normalised_path(tmp.file("dir/./new.txt")),
              platform::normalised_path(tmp.file("dir/sub/../new.txt")));
    EXPECT_NE(platform::normalised_path(tmp.file("dir/new.txt")),
              platform::normalised_path(tmp.file("new.txt")));
    EXPECT_TRUE(platform::same_file(tmp.file("dir/old.txt"), tmp.file("dir/../dir/old.txt")));
    EXPECT_FALSE(platform::same_file(tmp.file("dir/old.txt"), tmp.file("dir/new.txt")));

    // The starting directory is what absolute_path("-") gives without the "-".
    testing_support::ScopedChdir in_dir(tmp.file("dir"));
    const std::string start = platform::absolute_path("-");
    ASSERT_GE(start.size(), 2u);
    EXPECT_EQ(start.back(), '-');
    EXPECT_TRUE(platform::same_file(start.substr(0, start.size() - 1), tmp.file("dir")));
#ifdef _WIN32
    // Both separators, and names differing only in letter case, name one file on Windows.
    EXPECT_EQ(platform::normalised_path(tmp.file("DIR\\New.TXT")),
              platform::normalised_path(tmp.file("dir/new.txt")));
    EXPECT_EQ(platform::normalised_path(tmp.file("dir\\OLD.txt")),
              platform::normalised_path(tmp.file("Dir/old.TXT")));
#endif
}

// ---- Scratch folders ----

TEST(ScratchDirectories, AFolderOfAnEndedProcessGoesAndOneOfARunningOneStays)
{
    TempDir tmp;
    testing_support::ScopedEnv posix_temp("TMPDIR", tmp.path());
    testing_support::ScopedEnv windows_temp("TMP", tmp.path());
    const std::string mine = platform::make_scratch_directory("brillox-t-");
    ASSERT_FALSE(mine.empty());
    EXPECT_TRUE(platform::same_file(platform::temp_directory(), tmp.path()));
    // A process id no system hands out: its folder was left by a process killed outright.
    const std::string ended = tmp.file("brillox-t-2147483647-Ab12Cd");
    std::filesystem::create_directories(ended + "/inner");
    write_file(ended + "/inner/copy.ini", "x");
    write_file(tmp.file("brillox-t-2147483647-Zz99Yy"), "a file, not a folder");

    const std::string second = platform::make_scratch_directory("brillox-t-");
    ASSERT_FALSE(second.empty());
    EXPECT_NE(second, mine);
    EXPECT_TRUE(platform::is_directory(mine));
    EXPECT_TRUE(platform::is_directory(second));
    EXPECT_FALSE(testing_support::file_exists(ended));
    EXPECT_TRUE(testing_support::file_exists(tmp.file("brillox-t-2147483647-Zz99Yy")));

    // A read-only file inside does not stop the removal of the tree.
    write_file(mine + "/kept.ini", "x");
    std::filesystem::permissions(mine + "/kept.ini", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    platform::remove_directory_tree(mine);
    EXPECT_FALSE(testing_support::file_exists(mine));
}

TEST(CopyFileWithPermissions, CopiesAFileButNeverOverAnother)
{
    TempDir tmp;
    write_file(tmp.file("from.ini"), "[a]\r\n");
    write_file(tmp.file("there.ini"), "mine");
    std::string failure;
    ASSERT_TRUE(platform::copy_file_with_permissions(tmp.file("from.ini"), tmp.file("to.ini")));
    EXPECT_EQ(read_file(tmp.file("to.ini")), "[a]\r\n");
    EXPECT_FALSE(platform::copy_file_with_permissions(tmp.file("from.ini"), tmp.file("there.ini"),
                                                      &failure));
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(read_file(tmp.file("there.ini")), "mine");
    EXPECT_FALSE(platform::copy_file_with_permissions(tmp.file("missing.ini"), tmp.file("n.ini")));
    EXPECT_FALSE(testing_support::file_exists(tmp.file("n.ini")));
}

}  // namespace

// ---- Locks between running copies ----

TEST(FileLock, ASecondHolderWaitsForTheFirstAndGivesUpAfterItsLimit)
{
    TempDir tmp;
    write_file(tmp.file("table.ini"), "[daten]\r\n");
    platform::FileLock first = platform::lock_file(tmp.file("table.ini"), 0);
    ASSERT_TRUE(first.held());
    EXPECT_TRUE(testing_support::file_exists(tmp.file(".table.ini.lock")));

    // flock locks belong to the open file, so a second lock in this process contends as
    // another copy of the program would.
    std::string failure;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(platform::lock_file(tmp.file("table.ini"), 300, &failure).held());
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));
    EXPECT_EQ(failure, "another copy of the program kept it locked");

    std::thread releaser([&first] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        first = platform::FileLock();  // released by closing
    });
    const platform::FileLock second = platform::lock_file(tmp.file("table.ini"), 60000);
    releaser.join();
    EXPECT_TRUE(second.held());
    EXPECT_FALSE(first.held());
}

TEST(FileLock, LocksBesideALinksTargetAndElseTheFileItself)
{
#ifdef _WIN32
    GTEST_SKIP() << "making a symbolic link needs a privilege on Windows";
#else
    TempDir tmp;
    std::filesystem::create_directory(tmp.file("real"));
    write_file(tmp.file("real/a.ini"), "x");
    ASSERT_EQ(symlink(tmp.file("real/a.ini").c_str(), tmp.file("link.ini").c_str()), 0);
    const platform::FileLock through_link = platform::lock_file(tmp.file("link.ini"), 0);
    ASSERT_TRUE(through_link.held());
    EXPECT_TRUE(testing_support::file_exists(tmp.file("real/.a.ini.lock")));
    EXPECT_FALSE(platform::lock_file(tmp.file("real/a.ini"), 0).held());

    // A planted link in the lock file's place is not followed: the file itself is locked.
    write_file(tmp.file("b.ini"), "y");
    write_file(tmp.file("victim"), "keep");
    ASSERT_EQ(symlink(tmp.file("victim").c_str(), tmp.file(".b.ini.lock").c_str()), 0);
    const platform::FileLock planted = platform::lock_file(tmp.file("b.ini"), 0);
    EXPECT_TRUE(planted.held());
    EXPECT_EQ(read_file(tmp.file("victim")), "keep");
    EXPECT_FALSE(platform::lock_file(tmp.file("b.ini"), 0).held());

    std::string failure;
    EXPECT_FALSE(platform::lock_file(tmp.file("missing/c.ini"), 0, &failure).held());
    EXPECT_FALSE(failure.empty());
#endif
}
