// Tests for the INI document: how lines are read, how lookups and changes pick sections and
// entries, the exact bytes written back, and when the document is (and is not) saved.
#include "files/ini_document.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/error_stop.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using testing_support::entry_count;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

std::string get(const char* section, const char* key)
{
    return ini_get(section, key).c_str();
}

// Every test starts and ends with the empty, nameless document, which is never written:
// ini_load("") discards whatever a test left behind without saving it.
class IniDocument : public testing::Test {
protected:
    void SetUp() override { ini_load(""); }
    void TearDown() override { ini_load(""); }

    std::string load(const std::string& text, const std::string& name = "a.ini")
    {
        write_file(tmp.file(name), text);
        ini_load(tmp.file(name).c_str());
        return tmp.file(name);
    }
    // Loads text, marks the document changed without altering it, saves and returns the file.
    std::string resaved(const std::string& text)
    {
        const std::string path = load(text);
        ini_put("no such section", "", "");
        ini_save();
        return read_file(path);
    }
    TempDir tmp;
};

TEST_F(IniDocument, ReadsValuesWholeTrimmingOnlyTrailingControlBytes)
{
    const std::string long_value(5000, 'v');
    load(
        "[S]\n  Key  =  some value  \n\tTab\t=\tv = w ; x\t\x01\r\n"
        "[\xC4r]\r\nk=\xE4\xF6 \xFC\x1F\r\nlong=" +
        long_value + "\r\nlast=1");
    EXPECT_EQ(get("s", "KEY"), "some value  ");
    EXPECT_EQ(get("S", "tab"), "v = w ; x");
    EXPECT_EQ(get("\xC4R", "K"), "\xE4\xF6 \xFC");  // bytes of 128 and above are text
    EXPECT_EQ(get("\xE4r", "k"), "NO_DATA");        // and do not fold like letters
    EXPECT_EQ(get("\xC4r", "long"), long_value);
    EXPECT_EQ(get("\xC4r", "last"), "1");
    EXPECT_EQ(get("S", "Ke"), "NO_DATA");  // whole names only
}

TEST_F(IniDocument, IgnoresCommentsAndMalformedOrEmptyEntries)
{
    EXPECT_EQ(resaved("[S]\nKey value\nKe y=1\nAlone\nEmpty=\nBlank = \t\nCr=\r\r\n;c=1\n  ;d=2\n"
                      "k;x=1;2\nj\0=1\nz=ab\0cd\n"s),
              "[S]\r\nk;x=1;2\r\nz=ab\r\n");
}

TEST_F(IniDocument, SectionsAndLookups)
{
    // Entries before any header form the section "", a header without entries is dropped,
    // "[]" continues under the previous name, and repeated names stay separate sections.
    const std::string text = "a=0\n  [ S ]\na=1\nA=dup\n[Empty]\n[T]\nb=2\n[]\nc=3\n[s]\nd=4\n";
    EXPECT_EQ(resaved(text),
              "[]\r\na=0\r\n[S]\r\na=1\r\nA=dup\r\n[T]\r\nb=2\r\n[T]\r\nc=3\r\n[s]\r\nd=4\r\n");
    EXPECT_EQ(get("", "a"), "0");
    EXPECT_EQ(get("s", "a"), "1");  // lookups take the first section and the first key
    EXPECT_EQ(get("S", "d"), "NO_DATA");
    EXPECT_EQ(get("T", "c"), "NO_DATA");
    EXPECT_EQ(get("Empty", "x"), "NO_DATA");
}

TEST_F(IniDocument, PutChangesEntriesAndRemovalMovesTheLastIntoTheGap)
{
    const std::string path = load("[Game]\nLevel=1\nName=cave\nA=1\n[Dup]\nk=1\n[dup]\nk=2\n");
    ini_put("GAME", "level", "2");    // keeps the key's spelling
    ini_put("game", "Score", "100");  // appended
    ini_put("Game", "NAME", "");      // removed: Score takes its place
    ini_put("DUP", "k", "changed");   // only the first section of a name
    ini_put("New", "Key", "v");
    ini_put("Game", "Empty", "");  // a missing key is added even with an empty value
    EXPECT_EQ(get("game", "empty"), "");
    ini_save();
    EXPECT_EQ(read_file(path),
              "[Game]\r\nLevel=2\r\nScore=100\r\nA=1\r\nEmpty=\r\n[Dup]\r\nk=changed\r\n"
              "[dup]\r\nk=2\r\n[New]\r\nKey=v\r\n");
    ini_load(path.c_str());
    EXPECT_EQ(get("Game", "Empty"), "NO_DATA");  // "Empty=" is not read back

    ini_put("dup", "", "x");  // removes [Dup]; [New] takes its place
    ini_save();
    EXPECT_EQ(read_file(path),
              "[Game]\r\nLevel=2\r\nScore=100\r\nA=1\r\n[New]\r\nKey=v\r\n[dup]\r\nk=2\r\n");
}

TEST_F(IniDocument, SavesOnlyChangesAndKeepsTheChangedFlag)
{
    const std::string text = "; hand-written\n[S]\n k = v \n";
    const std::string path = load(text);
    ini_save();
    ini_open(path.c_str());
    EXPECT_EQ(read_file(path), text);

    ini_put("S", "k", "w");
    ini_save();
    write_file(path, "edited elsewhere");
    ini_save();
    EXPECT_EQ(read_file(path), "[S]\r\nk=w\r\n");
}

TEST_F(IniDocument, OpenWritesTheFileItWasLoadedFromThenReadsBack)
{
    write_file(tmp.file("Level.ini"), "[S]\nk=1\n");
    testing_support::ScopedChdir in_tmp(tmp.path());
    ini_load("level.ini");
    ini_put("S", "k", "two words ");
    ini_open("level.ini");
    EXPECT_EQ(read_file(tmp.file("Level.ini")), "[S]\r\nk=two words \r\n");
    EXPECT_EQ(get("S", "k"), "two words ");
    EXPECT_EQ(entry_count(tmp.path()), 1);

    ini_open("new.ini");  // a missing file: empty until something is put and saved
    EXPECT_EQ(get("S", "k"), "NO_DATA");
    ini_put("S", "k", "v");
    ini_open("");
    EXPECT_EQ(read_file(tmp.file("new.ini")), "[S]\r\nk=v\r\n");
}

TEST_F(IniDocument, FailedSaveLeavesTheOldFileAndSaysSo)
{
    ini_load(tmp.file("gone/b.ini").c_str());
    ini_put("S", "k", "v");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ini_save());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("b.ini: cannot be saved: "), std::string::npos) << said;
    // The reason is in the system's own words: strerror's, or on Windows FormatMessage's in
    // the user's language.
    if (!testing_support::on_windows) {
        EXPECT_NE(said.find("No such file or directory"), std::string::npos) << said;
    }
    ini_load("");
    EXPECT_EQ(entry_count(tmp.path()), 0);

    SKIP_ON_WINDOWS("no file-size limit to fill the disk with");
    const std::string path = load("[S]\nk=1\n");
    ini_put("S", "k", std::string(8192, 'x').c_str());
    testing::internal::CaptureStderr();
    bool saved;
    {
        testing_support::ScopedFileSizeLimit full_disk(100);  // the write fails part-way
        saved = ini_open("");
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), path + ": cannot be saved: File too large\n");
    EXPECT_EQ(read_file(path), "[S]\nk=1\n");
    EXPECT_TRUE(ini_open(""));  // an unchanged document has nothing to fail
    ini_load("");
    EXPECT_EQ(entry_count(tmp.path()), 1);
}

// The "fast" death-test style forks at the death test, so the child has this test's
// document and directory, and the parent inspects what the child's exit wrote.
class IniDocumentAtExit : public IniDocument {
protected:
    void SetUp() override
    {
        IniDocument::SetUp();
        style_ = GTEST_FLAG_GET(death_test_style);
        GTEST_FLAG_SET(death_test_style, "fast");
    }
    void TearDown() override
    {
        GTEST_FLAG_SET(death_test_style, style_);
        IniDocument::TearDown();
    }
    std::string style_;
};

TEST_F(IniDocumentAtExit, TheErrorStopSavesAChangedDocument)
{
    const std::string path = load("[S]\nk=1\n");
    EXPECT_EXIT(
        {
            testing_support::set_temp_directory(tmp.path());
            ini_put("T", "x", "y");
            rt_set_error(7);
            rt_error_stop();
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file(path), "[S]\r\nk=1\r\n[T]\r\nx=y\r\n");
}

TEST_F(IniDocumentAtExit, TheNamelessDocumentIsNeverWritten)
{
    testing_support::ScopedChdir in_tmp(tmp.path());  // where a stray save would land
    const std::string path = load("[S]\nk=1\n");
    EXPECT_EXIT(
        {
            ini_put("S", "k", "2");
            ini_open("");
            ini_put("S", "k", "3");
            ini_save();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file(path), "[S]\r\nk=2\r\n");
    EXPECT_EQ(entry_count(tmp.path()), 1);
}

}  // namespace
