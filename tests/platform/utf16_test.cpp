// Tests for the UTF-8 <-> UTF-16 conversion the Windows API calls go through: German names,
// characters beyond the 16-bit plane, bytes that are not UTF-8 and the lone surrogates Windows
// allows in file names.
#include "platform/utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::narrow;
using platform::widen;

// The code units of a wide string, also where wchar_t is 32 bits wide.
std::vector<unsigned> units(const std::wstring& text)
{
    return std::vector<unsigned>(text.begin(), text.end());
}

TEST(Utf16, GermanUserFolderBecomesOneUnitPerLetterAndBack)
{
    const std::string name = "C:\\Users\\J\xC3\xBCrgen\\Spielst\xC3\xA4nde\\\xC3\x9F";
    const std::wstring wide = widen(name);
    EXPECT_EQ(wide.size(), 29u);
    EXPECT_EQ(units(wide.substr(9, 6)), (std::vector<unsigned>{'J', 0xFC, 'r', 'g', 'e', 'n'}));
    EXPECT_EQ(static_cast<unsigned>(wide.back()), 0xDFu);
    EXPECT_EQ(narrow(wide), name);
}

TEST(Utf16, CharactersBeyondTheBasicPlaneBecomeSurrogatePairsAndBack)
{
    // U+1F600 (4 bytes in UTF-8) between a 3-byte character (U+20AC) and U+10FFFF, the last.
    const std::string text = "\xE2\x82\xAC\xF0\x9F\x98\x80x\xF4\x8F\xBF\xBF";
    const std::wstring wide = widen(text);
    EXPECT_EQ(units(wide), (std::vector<unsigned>{0x20AC, 0xD83D, 0xDE00, 'x', 0xDBFF, 0xDFFF}));
    EXPECT_EQ(narrow(wide), text);
}

TEST(Utf16, BytesThatAreNotUtf8BecomeOneReplacementEach)
{
    const unsigned r = 0xFFFD;
    // A lone continuation byte, a Latin-1 byte, an overlong '/' in two and in three bytes, a
    // character cut short by the next one and by the end of the text, and a lead byte beyond
    // U+10FFFF.
    EXPECT_EQ(units(widen("a\x80")), (std::vector<unsigned>{'a', r}));
    EXPECT_EQ(units(widen("J\xFCrgen")), (std::vector<unsigned>{'J', r, 'r', 'g', 'e', 'n'}));
    EXPECT_EQ(units(widen("\xC0\xAF")), (std::vector<unsigned>{r, r}));
    EXPECT_EQ(units(widen("\xE0\x80\xAF")), (std::vector<unsigned>{r, r, r}));
    EXPECT_EQ(units(widen("\xE2\x82"
                          "A")),
              (std::vector<unsigned>{r, r, 'A'}));
    EXPECT_EQ(units(widen("x\xF0\x9F\x98")), (std::vector<unsigned>{'x', r, r, r}));
    EXPECT_EQ(units(widen("\xF5\x80\x80\x80")), (std::vector<unsigned>{r, r, r, r}));
    EXPECT_EQ(units(widen("\xF4\x90\x80\x80")), (std::vector<unsigned>{r, r, r, r}));
}

TEST(Utf16, LoneSurrogatesOfFileNamesSurviveTheRoundTrip)
{
    const std::wstring name{static_cast<wchar_t>(0xD800), L'x', static_cast<wchar_t>(0xDC01)};
    const std::string utf8 = narrow(name);
    EXPECT_EQ(utf8, "\xED\xA0\x80x\xED\xB0\x81");
    EXPECT_EQ(units(widen(utf8)), units(name));
    // A high surrogate at the very end has no partner to look at.
    EXPECT_EQ(narrow(std::wstring(1, static_cast<wchar_t>(0xDBFF))), "\xED\xAF\xBF");
}

TEST(Utf16, EmptyStaysEmpty)
{
    EXPECT_EQ(widen(""), L"");
    EXPECT_EQ(narrow(L""), "");
}

}  // namespace
