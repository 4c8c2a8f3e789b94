// Reading scripts: key names and numbers, commands and their arguments, and the messages
// that name the line a script is refused at. (Running scripts: startup_test.cpp.)
#include "app/script.h"

#include <gtest/gtest.h>

#include <string>

#include "support/allocation_tracker.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;
using testing_support::write_file;

TEST(ScriptKeys, NamedKeysGiveTheirScanCodes)
{
    EXPECT_EQ(script_key_code("Escape"), 1);
    EXPECT_EQ(script_key_code("Enter"), 28);
    EXPECT_EQ(script_key_code("Space"), 57);
    EXPECT_EQ(script_key_code("Tab"), 15);
    EXPECT_EQ(script_key_code("Backspace"), 14);
    EXPECT_EQ(script_key_code("Up"), 200);
    EXPECT_EQ(script_key_code("Left"), 203);
    EXPECT_EQ(script_key_code("Right"), 205);
    EXPECT_EQ(script_key_code("Down"), 208);
    EXPECT_EQ(script_key_code("LeftShift"), 42);
    EXPECT_EQ(script_key_code("RightShift"), 54);
    EXPECT_EQ(script_key_code("LeftCtrl"), 29);
    EXPECT_EQ(script_key_code("LeftAlt"), 56);
    EXPECT_EQ(script_key_code("F1"), 59);
    EXPECT_EQ(script_key_code("F4"), 62);
    EXPECT_EQ(script_key_code("F10"), 68);
    EXPECT_EQ(script_key_code("escape"), 1);  // names ignore letter case
}

TEST(ScriptKeys, LettersFollowUsLabelsAndDigitsTheMainRow)
{
    EXPECT_EQ(script_key_code("Q"), 16);
    EXPECT_EQ(script_key_code("P"), 25);
    EXPECT_EQ(script_key_code("A"), 30);
    EXPECT_EQ(script_key_code("L"), 38);
    EXPECT_EQ(script_key_code("Y"), 21);  // a German keyboard labels this key Z
    EXPECT_EQ(script_key_code("Z"), 44);
    EXPECT_EQ(script_key_code("M"), 50);
    EXPECT_EQ(script_key_code("s"), 31);
    EXPECT_EQ(script_key_code("1"), 2);
    EXPECT_EQ(script_key_code("9"), 10);
    EXPECT_EQ(script_key_code("0"), 11);
}

TEST(ScriptKeys, TwoOrMoreDigitsAreScanCodes)
{
    EXPECT_EQ(script_key_code("57"), 57);
    EXPECT_EQ(script_key_code("01"), 1);
    EXPECT_EQ(script_key_code("00"), 0);
    EXPECT_EQ(script_key_code("255"), 255);
    EXPECT_EQ(script_key_code("256"), -1);
    EXPECT_EQ(script_key_code("0057"), -1);
    EXPECT_EQ(script_key_code("-1"), -1);
}

TEST(ScriptKeys, UnknownNamesAreRefused)
{
    EXPECT_EQ(script_key_code(""), -1);
    EXPECT_EQ(script_key_code("F11"), -1);
    EXPECT_EQ(script_key_code("F0"), -1);
    EXPECT_EQ(script_key_code("Esc"), -1);
    EXPECT_EQ(script_key_code("Escape2"), -1);
    EXPECT_EQ(script_key_code("AB"), -1);
}

class ScriptFile : public testing::Test {
protected:
    // Loads text as a script; returns "" when it is accepted, else the message.
    std::string load(const std::string& text)
    {
        write_file(dir.file("s.txt"), text);
        std::string message;
        if (script_load(dir.file("s.txt"), message)) return "";
        EXPECT_FALSE(message.empty());
        return message;
    }
    std::string at(int line, const std::string& problem) const
    {
        return dir.file("s.txt") + ":" + std::to_string(line) + ": " + problem;
    }
    TempDir dir;
};

TEST_F(ScriptFile, EveryCommandWithCommentsAndBlankLines)
{
    EXPECT_EQ(load("# a script\n"
                   "\n"
                   "wait 100\n"
                   "wait 16.5   # fractions of a millisecond\n"
                   "frames 3\n"
                   "frames 0\n"
                   "down LeftShift\n"
                   "\tup 42\r\n"
                   "tap Enter\n"
                   "capture shots/first frame.png\n"
                   "idles 12\n"
                   "clock 2500.125\n"
                   "Focus_Lost\n"
                   "END\n"),
              "");
    EXPECT_EQ(load(""), "");
}

// A recording's header and event comments are kept with their line numbers; other comments
// and directives of the test scripts ("#given") are not.
TEST_F(ScriptFile, RecordingCommentsAreKeptForTheReplaysChecks)
{
    EXPECT_EQ(load("# program brillox 1.0\n"
                   "#given Level.ini x.ini\n"
                   "# state Level.ini 0a1b2c3d\n"
                   "frames 2  # event not a whole line\n"
                   "# event level_end 1 1\n"),
              "");
    const ScriptNotes& notes = script_notes();
    ASSERT_EQ(notes.program.size(), 1u);
    EXPECT_EQ(notes.program[0].text, "brillox 1.0");
    ASSERT_EQ(notes.state.size(), 1u);
    EXPECT_EQ(notes.state[0].line, 3);
    EXPECT_EQ(notes.state[0].text, "Level.ini 0a1b2c3d");
    ASSERT_EQ(notes.events.size(), 1u);
    EXPECT_EQ(notes.events[0].line, 5);
    EXPECT_EQ(notes.events[0].text, "level_end 1 1");
}

TEST(ScriptKeys, RecordedKeyNamesReadBackAsTheirCodes)
{
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(script_key_code(script_key_name(code)), code) << script_key_name(code);
}

TEST_F(ScriptFile, MistakesNameTheirLine)
{
    EXPECT_EQ(load("wait 10\njump 3\n"), at(2, "unknown command \"jump\""));
    EXPECT_EQ(load("\n\n# x\ntap Hyper\n"), at(4, "unknown key \"Hyper\""));
    EXPECT_EQ(load("down\n"), at(1, "\"down\" needs a key"));
    EXPECT_EQ(load("wait\n"), at(1, "\"wait\" needs milliseconds"));
    EXPECT_EQ(load("frames\n"), at(1, "\"frames\" needs a frame count"));
    EXPECT_EQ(load("capture\n"), at(1, "\"capture\" needs a file name"));
    EXPECT_EQ(load("capture   # no file\n"), at(1, "\"capture\" needs a file name"));
    EXPECT_EQ(load("end now\n"), at(1, "\"end\" takes nothing after it"));
    EXPECT_EQ(load("focus_lost 2\n"), at(1, "\"focus_lost\" takes nothing after it"));
    EXPECT_EQ(load("idles\n"), at(1, "\"idles\" needs a count of polls"));
    EXPECT_EQ(load("tap A B\n"), at(1, "unexpected \"B\" after \"tap A\""));
}

TEST_F(ScriptFile, NumbersMustBeWrittenOut)
{
    EXPECT_EQ(load("wait -5\n"), at(1, "\"-5\" is not a number of milliseconds"));
    EXPECT_EQ(load("wait 1e3\n"), at(1, "\"1e3\" is not a number of milliseconds"));
    EXPECT_EQ(load("wait 1.2.3\n"), at(1, "\"1.2.3\" is not a number of milliseconds"));
    EXPECT_EQ(load("wait .\n"), at(1, "\".\" is not a number of milliseconds"));
    EXPECT_EQ(load("frames 2.5\n"), at(1, "\"2.5\" is not a frame count"));
    EXPECT_EQ(load("frames 9999999999\n"), at(1, "\"9999999999\" is not a frame count"));
    EXPECT_EQ(load("idles -1\n"), at(1, "\"-1\" is not a count of polls"));
    EXPECT_EQ(load("clock 1e3\n"), at(1, "\"1e3\" is not a number of milliseconds"));
}

// The largest script allowed must not take many times its size in memory: a line is kept in a
// few bytes, a recording's comments side by side in one block.
TEST_F(ScriptFile, ALongScriptIsKeptInAboutTheSpaceOfItsText)
{
    for (const std::string line : {"end\n", "wait 1\n", "# event x\n", "capture a\n"}) {
        std::string text;
        for (int i = 0; i < 100000; ++i) text += line;
        std::size_t largest = 0;
        std::string message;
        const std::size_t allocations = testing_support::allocation_count_during([&] {
            largest = testing_support::largest_allocation_during(
                [&] { EXPECT_EQ(load(text), "") << line; });
        });
        EXPECT_LE(largest, 2 * text.size()) << line;
        EXPECT_LT(allocations, 2000u) << line;  // not one or more for every line
    }
    ASSERT_EQ(script_notes().events.size(), 0u);
    load("# event level_end 1 1\n# event ini_save x.ini\n");
    ASSERT_EQ(script_notes().events.size(), 2u);
    EXPECT_EQ(script_notes().events.back().text, "ini_save x.ini");
    EXPECT_EQ(script_notes().events.back().line, 2);
}

TEST_F(ScriptFile, MissingFileIsNamed)
{
    std::string message;
    EXPECT_FALSE(script_load(dir.file("none.txt"), message));
    EXPECT_EQ(message, dir.file("none.txt") + ": the script cannot be read");
}

}  // namespace
