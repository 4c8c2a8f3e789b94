// Hostile INI files and saves that survive: odd line endings, marks and bytes, files far
// larger than any the game writes, every file of the INI fuzz corpora through a load, save and
// load again, a disk that fills up at any byte of a save, and a process killed in the middle
// of its saves, which must leave the old file or the new one, never a mix.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "files/ini_document.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using testing_support::entry_count;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

std::string get(const std::string& section, const std::string& key)
{
    return ini_get(section.c_str(), key.c_str()).c_str();
}

// Marks the document changed without changing it: no file can hold a section name with a space.
void touch()
{
    ini_put("no such section", "", "");
}

class HostileIni : public testing::Test {
protected:
    void SetUp() override { ini_load(""); }
    void TearDown() override { ini_load(""); }

    std::string load(const std::string& text)
    {
        write_file(path, text);
        ini_load(path.c_str());
        return path;
    }
    TempDir tmp;
    const std::string path = tmp.file("hostile.ini");
};

TEST_F(HostileIni, OddLinesReadAsWellAsTheyCan)
{
    const std::string long_key(3000, 'K'), long_value(100000, 'v');
    const struct {
        const char* what;
        std::string text, section, key, value;
    } cases[] = {
        {"line far over 1023 bytes", "[S]\n" + long_key + "=" + long_value + "\n", "s", long_key,
         long_value},
        {"no final newline", "[S]\nk=1", "S", "k", "1"},
        {"CR LF", "[S]\r\nk=1\r\n", "S", "k", "1"},
        {"lone CR inside a value", "[S]\nk=a\rb\n", "S", "k", "a\rb"},
        {"lone CRs are no line ends", "[S]\rk=1\r\n", "S", "k", "NO_DATA"},
        {"byte-order mark", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "1"},
        {"byte-order mark only at the start", "[S]\n\xEF\xBB\xBFk=1\n", "S", "\xEF\xBB\xBFk", "1"},
        {"NUL byte ends the line", "[S]\nk=ab\0cd\n"s, "S", "k", "ab"},
        {"NUL byte in the header", "[S\0T]\nk=1\n"s, "S", "k", "1"},
        {"control bytes only", "[S]\nk=\x01\x02\n", "S", "k", "NO_DATA"},
        {"unterminated header", "[S\nk=1\n", "S", "k", "1"},
        {"unterminated empty header", "[S]\n[\nk=1\n", "S", "k", "1"},
        {"binary garbage", "\x89PNG\r\n\x1a\n\0\xff[=]\n=\n"s, "", "", "NO_DATA"},
    };
    for (const auto& c : cases) {
        load(c.text);
        EXPECT_EQ(get(c.section, c.key), c.value) << c.what;
        // Whatever was read survives a save and a load unchanged.
        touch();
        ini_save();
        const std::string saved = read_file(path);
        ini_load(path.c_str());
        EXPECT_EQ(get(c.section, c.key), c.value) << c.what;
        touch();
        ini_save();
        EXPECT_EQ(read_file(path), saved) << c.what;
    }
}

TEST_F(HostileIni, RepeatedSectionsAndKeysKeepTheFirstAndAreAllWrittenBack)
{
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "[S]\nk=" + std::to_string(i) + "\nK=x\n";
    load(text);
    EXPECT_EQ(get("s", "K"), "0");
    ini_put("S", "k", "changed");  // the first section only
    ini_open("");
    const std::string saved = read_file(path);
    EXPECT_EQ(saved.rfind("[S]\r\nk=changed\r\nK=x\r\n[S]\r\nk=1\r\n", 0), 0u);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '['), 20000);
    EXPECT_NE(saved.find("[S]\r\nk=19999\r\nK=x\r\n"), std::string::npos);
}

TEST_F(HostileIni, AFiftyMegabyteFileLoadsAndSavesWhole)
{
    // Fifty rows of a megabyte each in one section, as a huge level would have them.
    std::string text = "[level_1]\r\n";
    for (int row = 1; row <= 50; ++row) {
        text += std::to_string(row) + "=|" +
                std::string(1 << 20, static_cast<char>('A' + row % 26)) + "\r\n";
    }
    load(text);
    EXPECT_EQ(get("LEVEL_1", "50").size(), (1u << 20) + 1);
    EXPECT_EQ(get("level_1", "7").substr(0, 3), "|HH");
    touch();
    ini_open("");
    EXPECT_EQ(read_file(path), text);
}

TEST_F(HostileIni, MoreThanADocumentHoldsIsReadInPartAndNeverWrittenBack)
{
    // Every section after the 65536th, every entry after the 262144th and every byte after the
    // 64th MiB is left out; writing the rest back would destroy it.
    std::string many_sections;
    for (int i = 0; i < 70000; ++i) many_sections += "[s" + std::to_string(i) + "]\nk=1\n";
    std::string many_entries = "[S]\n";
    for (int i = 0; i < 270000; ++i) many_entries += "k" + std::to_string(i) + "=1\n";
    const struct {
        const char* what;
        std::string text;
        std::uintmax_t pad_to;  // zeros appended up to this size, none of them a line end
        const char *kept_section, *kept_key, *lost_section, *lost_key;
    } cases[] = {
        {"sections", many_sections, 0, "s65535", "k", "s65536", "k"},
        {"entries", many_entries, 0, "S", "k262143", "S", "k262144"},
        {"bytes", "[S]\nk=1\n", (64u << 20) + 1, "S", "k", "S", "\0"},
    };
    for (const auto& c : cases) {
        write_file(path, c.text);
        if (c.pad_to != 0) std::filesystem::resize_file(path, c.pad_to);
        const std::string before = read_file(path);
        ini_load(path.c_str());
        EXPECT_EQ(get(c.kept_section, c.kept_key), "1") << c.what;
        EXPECT_EQ(get(c.lost_section, c.lost_key), "NO_DATA") << c.what;
        ini_put("S", "k0", "2");
        ini_open("");
        EXPECT_TRUE(read_file(path) == before) << c.what;
    }
}

std::vector<std::filesystem::path> fuzz_corpus_files()
{
    std::vector<std::filesystem::path> files;
    for (const char* corpus : {"ini", "level"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(std::string(BRILLOX_FUZZ_CORPUS) + "/" + corpus))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST_F(HostileIni, EveryFuzzCorpusFileSavesAndLoadsBackToTheSameDocument)
{
    const auto files = fuzz_corpus_files();
    ASSERT_GT(files.size(), 20u);
    for (const auto& file : files) {
        load(read_file(file.string()));
        touch();
        ini_save();
        const std::string first = read_file(path);
        ini_load(path.c_str());
        touch();
        ini_save();
        EXPECT_TRUE(read_file(path) == first) << file.filename();
    }
}

// --- Saves that survive --------------------------------------------------------------------

TEST_F(HostileIni, ADiskThatFillsUpAtAnyPointOfASaveLeavesTheOldFile)
{
    SKIP_ON_WINDOWS("no file-size limit to fill the disk with");
    const std::string old_text = "[daten]\n1=ABC,1234,3,5\n";
    std::string value;
    for (int i = 0; i < 500; ++i) value += std::to_string(i) + ",";
    const std::string new_text = "[daten]\r\n1=" + value + "\r\n";
    for (const long limit : {0L, 1L, 11L, static_cast<long>(new_text.size() / 2),
                             static_cast<long>(new_text.size() - 1)}) {
        load(old_text);
        ini_put("daten", "1", value.c_str());
        {
            testing_support::ScopedFileSizeLimit full_disk(limit);
            ini_open("");
        }
        EXPECT_EQ(read_file(path), old_text) << limit;
        EXPECT_EQ(entry_count(tmp.path()), 1) << limit;  // no temporary file left behind
    }
    load(old_text);
    ini_put("daten", "1", value.c_str());
    {
        testing_support::ScopedFileSizeLimit room_for_exactly_the_file(
            static_cast<long>(new_text.size()));
        ini_open("");
    }
    EXPECT_EQ(read_file(path), new_text);
}

TEST_F(HostileIni, AProcessKilledWhileSavingLeavesTheOldOrTheNewFile)
{
    SKIP_ON_WINDOWS("the saving process is a fork() of the test");
#ifndef _WIN32
    // Two complete versions of a document large enough that a save takes a while; the child
    // saves them in turn, reporting each finished save on a pipe, and is killed at a random
    // moment once it has got one through.
    const std::string a(1 << 20, 'a'), b(1 << 20, 'b');
    const std::string text_a = "[S]\r\nk=" + a + "\r\n", text_b = "[S]\r\nk=" + b + "\r\n";
    write_file(path, text_a);
    std::mt19937 random(20240611);
    for (int round = 0; round < 24; ++round) {
        ini_load(path.c_str());
        int saved[2];
        ASSERT_EQ(pipe(saved), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(saved[0]);
            for (int i = 0;; ++i) {
                ini_put("S", "k", (i % 2 == 0 ? b : a).c_str());
                ini_save();
                if (write(saved[1], "s", 1) != 1) _exit(1);
            }
        }
        close(saved[1]);
        pollfd first_save{.fd = saved[0], .events = POLLIN, .revents = 0};
        EXPECT_EQ(poll(&first_save, 1, 60000), 1) << "round " << round;
        usleep(std::uniform_int_distribution<useconds_t>(0, 30000)(random));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(saved[0]);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::string now = read_file(path);
        EXPECT_TRUE(now == text_a || now == text_b)
            << "round " << round << ": " << now.size() << " bytes";
    }
    ini_load("");
#endif
}

}  // namespace
