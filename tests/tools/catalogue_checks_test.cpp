// The build's check of the translation catalogues, on catalogues written by each test, and
// the shipped catalogues themselves: complete, German kept as the game spells it, and the
// template listing exactly the texts the code shows.
#include "catalogue_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/posix_only.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

const std::string catalogue_dir = std::string(BRILLOX_SOURCE_DIR) + "/data/po";

std::vector<PoEntry> parsed(const std::string& text)
{
    std::vector<PoEntry> entries;
    std::string problem;
    EXPECT_TRUE(po_parse(text, entries, problem)) << problem;
    return entries;
}

std::vector<PoEntry> loaded(const std::string& path)
{
    std::vector<PoEntry> entries;
    std::string problem;
    EXPECT_TRUE(po_load(path, entries, problem)) << path << ": " << problem;
    return entries;
}

const char* const template_text =
    "msgid \"Start\"\nmsgstr \"\"\n\n"
    "#, c-format\nmsgid \"Level %s komplett.\"\nmsgstr \"\"\n\n"
    "msgid \"Zeit \"\nmsgstr \"\"\n";

TEST(CatalogueChecks, ACompleteCatalogueHasNoProblems)
{
    const CatalogueReport report =
        check_catalogue(parsed(template_text),
                        parsed("msgid \"Start\"\nmsgstr \"Los\xE2\x80\xA6\"\n"
                               "msgid \"Level %s komplett.\"\nmsgstr \"%s. Level geschafft\"\n"
                               "msgid \"Zeit \"\nmsgstr \"Time \"\n"));
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    EXPECT_TRUE(report.notes.empty());
}

TEST(CatalogueChecks, MissingFuzzyAndChangedConversionsAreProblems)
{
    const CatalogueReport report =
        check_catalogue(parsed(template_text),
                        parsed("msgid \"Start\"\nmsgstr \"\"\n"
                               "msgid \"Level %s komplett.\"\nmsgstr \"Level %d done (100%)\"\n"
                               "#, fuzzy\nmsgid \"Zeit \"\nmsgstr \"Time \"\n"
                               "msgid \"Alt\"\nmsgstr \"Old\"\n"));
    EXPECT_EQ(report.problems,
              (std::vector<std::string>{
                  "no translation of \"Start\"",
                  "the translation of \"Level %s komplett.\" has the conversions (malformed), the "
                  "German %s",
                  "only a fuzzy translation of \"Zeit \""}));
    EXPECT_EQ(report.notes, std::vector<std::string>{"the game no longer shows \"Alt\""});

    const CatalogueReport swapped = check_catalogue(
        parsed(template_text), parsed("msgid \"Start\"\nmsgstr \"Go\"\n"
                                      "msgid \"Level %s komplett.\"\nmsgstr \"Level %s%s\"\n"
                                      "msgid \"Zeit \"\nmsgstr \"Time \"\n"));
    EXPECT_EQ(
        swapped.problems,
        std::vector<std::string>{
            "the translation of \"Level %s komplett.\" has the conversions %s %s, the German %s"});
}

TEST(CatalogueChecks, CharactersTheFontsCannotDrawAreProblems)
{
    const CatalogueReport report =
        check_catalogue(parsed(template_text),
                        parsed("msgid \"Start\"\nmsgstr \"Start? \xC5\x90\"\n"
                               "msgid \"Level %s komplett.\"\nmsgstr \"Level %s \xE2\x9C\x93\"\n"
                               "msgid \"Zeit \"\nmsgstr \"Zeit?\"\n"));
    EXPECT_EQ(report.problems,
              (std::vector<std::string>{
                  "the translation of \"Start\" has characters the fonts cannot draw "
                  "(Windows-1252 only)",
                  "the translation of \"Level %s komplett.\" has characters the fonts cannot draw "
                  "(Windows-1252 only)"}));
}

TEST(ShippedCatalogues, TranslateEveryTextAndGermanKeepsTheGamesSpelling)
{
    const std::vector<PoEntry> template_entries = loaded(catalogue_dir + "/brillox.pot");
    EXPECT_GE(template_entries.size(), 50u);
    std::set<std::string> languages;
    for (const std::filesystem::path& file : testing_support::files_in(catalogue_dir)) {
        if (file.extension() != ".po") continue;
        languages.insert(file.stem().string());
        const CatalogueReport report = check_catalogue(template_entries, loaded(file.string()));
        EXPECT_TRUE(report.problems.empty()) << file << ": " << report.problems.front();
        EXPECT_TRUE(report.notes.empty()) << file << ": " << report.notes.front();
    }
    EXPECT_EQ(languages, (std::set<std::string>{"de", "en"}));
    for (const PoEntry& entry : loaded(catalogue_dir + "/de.po")) {
        if (entry.id.empty()) continue;  // the header
        EXPECT_EQ(entry.texts.at(0), entry.id);
    }
}

TEST(ShippedCatalogues, TheTemplateListsExactlyTheTextsTheCodeShows)
{
    SKIP_ON_WINDOWS("the template is made with sh and xgettext");
    if (testing_support::run_program("/bin/sh", {"-c", "command -v xgettext"}, ".").exit_code !=
        0) {
        GTEST_SKIP() << "xgettext (gettext) is not installed";
    }
    testing_support::TempDir dir;
    const testing_support::ProgramOutcome made = testing_support::run_program(
        "/bin/sh",
        {std::string(BRILLOX_SOURCE_DIR) + "/tools/update_catalogues.sh", dir.file("new.pot")},
        dir.path());
    ASSERT_EQ(made.exit_code, 0) << made.err;
    const auto ids = [](const std::vector<PoEntry>& entries) {
        std::set<std::string> out;
        for (const PoEntry& e : entries) out.insert(e.id);
        return out;
    };
    EXPECT_EQ(ids(loaded(dir.file("new.pot"))), ids(loaded(catalogue_dir + "/brillox.pot")))
        << "run tools/update_catalogues.sh after changing the texts";
}

}  // namespace
