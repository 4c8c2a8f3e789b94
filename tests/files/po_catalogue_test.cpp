// The PO reader: what a translator's catalogue gives the game, and what makes it refuse one
// whole. Catalogues are written inline, one entry per few lines, as translators' tools do.
#include "files/po_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

std::vector<PoEntry> parsed(const std::string& text)
{
    std::vector<PoEntry> entries;
    std::string problem;
    EXPECT_TRUE(po_parse(text, entries, problem)) << problem;
    return entries;
}

std::string refusal(const std::string& text)
{
    std::vector<PoEntry> entries{PoEntry{}};
    std::string problem;
    EXPECT_FALSE(po_parse(text, entries, problem)) << "taken: " << text;
    EXPECT_TRUE(entries.empty());
    return problem;
}

const char* const header =
    "msgid \"\"\n"
    "msgstr \"\"\n"
    "\"Language: en\\n\"\n"
    "\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";

TEST(PoCatalogue, EntriesWithCommentsContinuationsAndEscapes)
{
    const std::vector<PoEntry> entries = parsed(std::string(header) +
                                                "# translator's note\n"
                                                "#: src/game/main_menu.cpp\n"
                                                "msgid \"Leben\"\n"
                                                "msgstr \"Lives\"\n"
                                                "\n"
                                                "#, c-format\n"
                                                "msgid \"\"\n"
                                                "\"Level %s \"\n"
                                                "\"komplett.\"\n"
                                                "msgstr \"Level %s complete.\"\n"
                                                "msgid \"a\\tb\\\"\\\\\\n\\101\\x42\"\n"
                                                "msgstr \"Gr\xC3\xBC\xC3\x9F\x65\"\n");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries[0].id.empty());  // the header
    EXPECT_EQ(entries[1].id, "Leben");
    EXPECT_EQ(entries[1].texts, std::vector<std::string>{"Lives"});
    EXPECT_EQ(entries[1].line, 8);
    EXPECT_FALSE(entries[1].c_format);
    EXPECT_EQ(entries[2].id, "Level %s komplett.");
    EXPECT_TRUE(entries[2].c_format);
    EXPECT_EQ(entries[3].id, "a\tb\"\\\nAB");
    EXPECT_EQ(entries[3].texts[0],
              "Gr\xC3\xBC\xC3\x9F"
              "e");
}

TEST(PoCatalogue, OnlyFinishedPlainTranslationsAreLookedUp)
{
    const PoTranslations translations =
        po_translations(parsed(std::string(header) + "msgid \"Start\"\n"
                                                     "msgstr \"Start\"\n"
                                                     "#, fuzzy\n"
                                                     "msgid \"Leben\"\n"
                                                     "msgstr \"Lifes\"\n"
                                                     "msgid \"Zeit \"\n"
                                                     "msgstr \"\"\n"
                                                     "msgctxt \"menu\"\n"
                                                     "msgid \"Name\"\n"
                                                     "msgstr \"Name\"\n"
                                                     "msgid \"%s Leben\"\n"
                                                     "msgid_plural \"%s Leben\"\n"
                                                     "msgstr[0] \"%s life\"\n"
                                                     "msgstr[1] \"%s lives\"\n"
                                                     "#~ msgid \"Alt\"\n"
                                                     "#~ msgstr \"Old\"\n"));
    EXPECT_EQ(translations.size(), 1u);
    EXPECT_EQ(translations.at("Start"), "Start");
}

TEST(PoCatalogue, WindowsLineEndsAndAByteOrderMarkAreRead)
{
    const std::vector<PoEntry> entries = parsed(
        "\xEF\xBB\xBFmsgid \"Pause\"\r\nmsgstr \"Pause\"\r\n\r\nmsgid \"Zeit \"\r\nmsgstr \"Time "
        "\"");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].texts[0], "Time ");
}

TEST(PoCatalogue, BrokenCatalogueIsRefusedWholeWithItsLine)
{
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr \"b\"\nmsgid \"c\nmsgstr \"d\"\n"),
              "line 3: a string in double quotes was expected");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgtsr \"b\"\n"), "line 2: unknown keyword \"msgtsr\"");
    EXPECT_EQ(refusal("msgstr \"b\"\n"), "line 1: msgstr must follow a msgid");
    EXPECT_EQ(refusal("\"b\"\n"), "line 1: a string continues no keyword");
    EXPECT_EQ(refusal("msgid \"a\"\n"), "line 1: the last entry has no msgstr");
    EXPECT_EQ(refusal("msgid \"a\" x\nmsgstr \"b\"\n"),
              "line 1: a string in double quotes was expected");
    EXPECT_EQ(refusal("msgid \"a\"\"b\"\nmsgstr \"b\"\n"),
              "line 1: a double quote inside a string must be written \\\"");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr \"b\\\"\n"),
              "line 2: a string ends in a lone backslash");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr \"\\q\"\n"), "line 2: unknown escape \\q");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgid_plural \"as\"\nmsgstr[1] \"b\"\n"),
              "line 3: msgstr[0] expected");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr[0] \"b\"\n"), "line 2: msgstr[N] without msgid_plural");
}

TEST(PoCatalogue, TextsThatCouldHurtTheGameAreRefused)
{
    // A 0 byte would cut a text short; bytes that are no UTF-8 would reach the fonts as they are.
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr \"b\\0c\"\n"),
              "line 2: an escape makes a 0 byte, which no text may hold");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr \"b\\x00\"\n"),
              "line 2: an escape makes a 0 byte, which no text may hold");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr \"b\\777\"\n"), "line 2: an octal escape above \\377");
    const char raw_zero[] = "msgid \"a\"\nmsgstr \"b\0c\"\n";
    EXPECT_EQ(refusal(std::string(raw_zero, sizeof raw_zero - 1)),
              "line 2: a 0 byte in a string, which no text may hold");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr \"Gr\xFC\xDF"
                      "e\"\n"),
              "line 2: a msgstr is not UTF-8");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr \"\\374\"\n"), "line 2: a msgstr is not UTF-8");
    EXPECT_EQ(refusal("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n"),
              "line 2: the header names the charset iso-8859-1; catalogues must be UTF-8");
    EXPECT_EQ(refusal("msgid \"a\"\nmsgstr \"b\"\n\nmsgid \"a\"\nmsgstr \"c\"\n"),
              "line 5: msgid repeats the entry of line 1");
    std::string many;
    for (std::size_t i = 0; i <= po_most_entries; ++i) {
        many += "msgid \"" + std::to_string(i) + "\"\nmsgstr \"x\"\n";
    }
    EXPECT_NE(refusal(many).find("more than 20000 entries"), std::string::npos);
    EXPECT_EQ(refusal(std::string(po_largest_file + 1, '#')), "larger than 1024 KiB");
}

TEST(PoCatalogue, FilesAreReadWithinTheLimit)
{
    testing_support::TempDir dir;
    std::vector<PoEntry> entries;
    std::string problem;
    EXPECT_FALSE(po_load(dir.file("none.po"), entries, problem));
    EXPECT_EQ(problem, "missing or not a file");
    EXPECT_FALSE(po_load(dir.path(), entries, problem));  // a folder is no catalogue
    testing_support::write_file(dir.file("big.po"), std::string(po_largest_file + 10, '#'));
    EXPECT_FALSE(po_load(dir.file("big.po"), entries, problem));
    EXPECT_EQ(problem, "larger than 1024 KiB");
    testing_support::write_file(dir.file("en.po"), "msgid \"Start\"\nmsgstr \"Go\"\n");
    ASSERT_TRUE(po_load(dir.file("en.po"), entries, problem)) << problem;
    EXPECT_EQ(entries.at(0).texts.at(0), "Go");
}

TEST(PoCatalogue, FormatConversionsAreListedAsWritten)
{
    std::vector<std::string> conversions;
    ASSERT_TRUE(po_format_conversions("Level %s, %5.2f%% and %2$ld", conversions));
    EXPECT_EQ(conversions, (std::vector<std::string>{"%s", "%f", "%2$ld"}));
    ASSERT_TRUE(po_format_conversions("100%% sure", conversions));
    EXPECT_TRUE(conversions.empty());
    EXPECT_FALSE(po_format_conversions("50%!", conversions));  // "%!" is no conversion
    EXPECT_FALSE(po_format_conversions("trailing %", conversions));
}

}  // namespace
