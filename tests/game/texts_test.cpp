// The game's texts in the player's language: catalogues found in the data folder's po/, looked
// up by the German text, turned into the fonts' code page, and the language chosen from the
// command line, the settings and the system's locale. No display: the code page is
// Windows-1252 when no font is loaded.
#include "game/texts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

using testing_support::ScopedChdir;
using testing_support::ScopedEnv;
using testing_support::TempDir;

const char* const english =
    "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
    "msgid \"Tut mir Leid!\"\nmsgstr \"I\xE2\x80\x99m sorry!\"\n\n"
    "msgid \"Level %s komplett.\"\nmsgstr \"Level %s complete (100%%).\"\n\n"
    "msgid \"Leben\"\nmsgstr \"\"\n";

// A data folder of its own, the working directory while the test runs, with catalogues in po/.
class Texts : public testing::Test {
protected:
    Texts() { std::filesystem::create_directory(dir_.file("po")); }
    ~Texts() override { texts_set_language("C"); }  // the game's own texts for the next test

    void catalogue(const std::string& code, const std::string& text)
    {
        testing_support::write_file(dir_.file("po/" + code + ".po"), text);
    }

    TempDir dir_;
    ScopedChdir chdir_{dir_.path()};
};

// The system's locale as the variables give it; "" leaves a variable unset.
struct Locale {
    Locale(const std::string& language, const std::string& all, const std::string& lang)
        : language_("LANGUAGE", language), all_("LC_ALL", all), lang_("LANG", lang)
    {
    }
    ScopedEnv language_, all_, messages_{"LC_MESSAGES", ""}, lang_;
};

TEST_F(Texts, ACatalogueGivesItsTextsInTheFontsCodePageAndGermanForTheRest)
{
    catalogue("en", english);
    ASSERT_TRUE(texts_set_language("en"));
    EXPECT_EQ(texts_language(), "en");
    EXPECT_STREQ(tr("Tut mir Leid!"), "I\x92m sorry!");
    EXPECT_STREQ(tr(rt_string("Tut mir Leid!")), "I\x92m sorry!");
    const char* missing = "Zeit ";
    EXPECT_EQ(tr(missing), missing);     // not in the catalogue
    EXPECT_STREQ(tr("Leben"), "Leben");  // untranslated
    EXPECT_STREQ(tr_format("Level %s komplett.", 12).c_str(), "Level 12 complete (100%).");
}

TEST_F(Texts, GermanIsBuiltInAndGivesBackTheTextsItWasAskedFor)
{
    ASSERT_TRUE(texts_set_language("de"));
    const char* german = "Tut mir Leid!";
    EXPECT_EQ(tr(german), german);
    EXPECT_STREQ(tr_format("Level %s komplett.", 1e10).c_str(), "Level 1.e+010 komplett.");
    EXPECT_TRUE(texts_set_language("de_AT.UTF-8"));
    EXPECT_EQ(texts_language(), "de");
    EXPECT_FALSE(texts_set_language("fr"));  // no catalogue: German, and the caller hears so
    EXPECT_EQ(texts_language(), "de");
    // Umlauts are kept in UTF-8 in the code and shown in the font's bytes; text in the font's
    // bytes already (not UTF-8: a prompt naming the key "Ö") is left as it is.
    EXPECT_STREQ(tr("Gr\xC3\xB6\xC3\x9F!"), "Gr\xF6\xDF!");
    const char* in_font = "Weiter mit \xD6!";
    EXPECT_EQ(tr(in_font), in_font);
}

TEST_F(Texts, TheRegionsCatalogueComesBeforeTheLanguages)
{
    catalogue("en", english);
    catalogue("en_GB", "msgid \"Tut mir Leid!\"\nmsgstr \"Terribly sorry!\"\n");
    ASSERT_TRUE(texts_set_language("en_GB.UTF-8"));
    EXPECT_STREQ(tr("Tut mir Leid!"), "Terribly sorry!");
    ASSERT_TRUE(texts_set_language("en-US"));
    EXPECT_EQ(texts_language(), "en");
}

TEST_F(Texts, AHostileCatalogueLeavesTheGermanTextsWithOneLineSaid)
{
    catalogue("en", english);
    ASSERT_TRUE(texts_set_language("en"));
    catalogue("en", "msgid \"Tut mir Leid!\"\nmsgstr \"\\0\"\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(texts_set_language("en"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(texts_language(), "de");
    EXPECT_STREQ(tr("Tut mir Leid!"), "Tut mir Leid!");
    EXPECT_EQ(said,
              "brillox: po/en.po is not used (line 2: an escape makes a 0 byte, which no text may "
              "hold); the texts stay German\n");
    // What the line quotes from the file cannot drive the terminal.
    catalogue("en", "\x1B]0;owned\x07 \"x\"\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(texts_set_language("en"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "brillox: po/en.po is not used (line 1: unknown keyword \"\\x1B]0;owned\\x07\"); the "
              "texts stay German\n");
}

TEST_F(Texts, TheCommandLineComesFirstThenTheSettingsThenTheSystem)
{
    catalogue("en", english);
    catalogue("de", "msgid \"Tut mir Leid!\"\nmsgstr \"Tut mir Leid!\"\n");
    const Locale german("", "", "de_DE.UTF-8");
    texts_choose_language("en", "de");
    EXPECT_EQ(texts_language(), "en");
    texts_choose_language("", "en");
    EXPECT_EQ(texts_language(), "en");
    texts_choose_language("", "");
    EXPECT_EQ(texts_language(), "de");
}

TEST_F(Texts, ALanguageAskedForWithoutCatalogueGivesEnglish)
{
    catalogue("en", english);
    testing::internal::CaptureStderr();
    texts_choose_language("", "fr");  // from the settings: quietly
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(texts_language(), "en");
    testing::internal::CaptureStderr();
    texts_choose_language("fr_CA", "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "brillox: there are no texts in the language \"fr_CA\" (no po/fr_CA.po); they are "
              "shown in English\n");
    EXPECT_EQ(texts_language(), "en");
}

TEST_F(Texts, TheSystemsLocaleGivesGermanForGermanAndC)
{
    catalogue("en", english);
    // Under the C locale no catalogue is even read: this de.po would be refused with a line.
    catalogue("de", "broken");
    struct Case {
        const char *language, *all, *lang, *expected;
    };
    const Case cases[] = {
        {"", "", "", "de"},              // nothing set: the C locale
        {"", "C", "fr_FR.UTF-8", "de"},  // LC_ALL before LANG
        {"en", "", "C.UTF-8", "de"},     // LANGUAGE counts only outside C
        {"", "", "POSIX", "de"},
        {"", "", "fr_FR.UTF-8", "en"},  // no catalogue of its own
        {"", "", "en_US.UTF-8", "en"},
        {"fr:en", "", "fr_FR.UTF-8", "en"},  // the first listed one with a catalogue
    };
    for (const Case& c : cases) {
#ifdef _WIN32
        // With no variable set Windows answers with the user's display language.
        if (*c.all == '\0' && *c.lang == '\0') continue;
#endif
        const Locale locale(c.language, c.all, c.lang);
        testing::internal::CaptureStderr();
        texts_choose_language("", "");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.lang;
        EXPECT_EQ(texts_language(), c.expected) << c.language << " " << c.all << " " << c.lang;
    }
    std::filesystem::remove(dir_.file("po/de.po"));
    const Locale swiss("fr:de_CH", "", "fr_FR.UTF-8");
    texts_choose_language("", "");
    EXPECT_EQ(texts_language(), "de");
}

TEST_F(Texts, TheLanguagesOnOfferAreGermanAndEachCatalogue)
{
    EXPECT_EQ(texts_available_languages(), (std::vector<std::string>{"de"}));
    catalogue("en", english);
    catalogue("de", english);
    catalogue("pt_BR", english);
    catalogue("no language", english);
    testing_support::write_file(dir_.file("po/brillox.pot"), english);
    EXPECT_EQ(texts_available_languages(), (std::vector<std::string>{"de", "en", "pt_BR"}));
    std::filesystem::remove_all(dir_.file("po"));
    EXPECT_EQ(texts_available_languages(), (std::vector<std::string>{"de"}));
}

TEST(LanguageOfLocale, NamesTheCatalogueOfALocale)
{
    const std::pair<const char*, const char*> cases[] = {
        {"de", "de"},
        {"de_DE.UTF-8", "de_DE"},
        {"de_DE.UTF-8@euro", "de_DE"},
        {"en-GB", "en_GB"},
        {"EN_gb", "en_GB"},
        {"sr_RS@latin", "sr_RS"},
        {"es-419", "es_419"},
        {"zh-Hant-TW", "zh"},
        {"ast", "ast"},
        {"C", ""},
        {"POSIX", ""},
        {"C.UTF-8", ""},
        {"", ""},
        {"x", ""},
        {"de/../en", ""},
        {"english", ""},
        {"12", ""},
    };
    for (const auto& [locale, language] : cases) {
        EXPECT_EQ(language_of_locale(locale), language) << locale;
    }
}

}  // namespace
