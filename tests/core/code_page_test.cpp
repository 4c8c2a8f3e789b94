// UTF-8 into the fonts' single bytes: what each character becomes, and what malformed input
// costs. Windows-1252 bytes are written as \x escapes, the UTF-8 input as the characters.
#include "core/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CodePage, AsciiAndLatin1KeepTheirCodes)
{
    EXPECT_EQ(utf8_to_cp1252("Level 3: ok!"), "Level 3: ok!");
    EXPECT_EQ(utf8_to_cp1252("Grüße, Ärger über Öl"),
              "Gr\xFC\xDF"
              "e, \xC4rger \xFC"
              "ber \xD6l");
    EXPECT_EQ(utf8_to_cp1252("\u00A0\u00FF"), "\xA0\xFF");  // the first and last Latin-1 codes
}

TEST(CodePage, TheTypographicCharactersTakeTheCodesBelowLatin1)
{
    EXPECT_EQ(utf8_to_cp1252("€"), "\x80");
    EXPECT_EQ(utf8_to_cp1252("„Gut“ – You’ve…"), "\x84Gut\x93 \x96 You\x92ve\x85");
    EXPECT_EQ(utf8_to_cp1252("Ÿ"), "\x9F");  // the last of them
}

TEST(CodePage, ACharacterWithoutAPlaceIsAQuestionMark)
{
    EXPECT_EQ(utf8_to_cp1252("Ő"), "?");                   // Latin Extended, not in the page
    EXPECT_EQ(utf8_to_cp1252("a😀b"), "a?b");               // four bytes, one character
    EXPECT_EQ(utf8_to_cp1252("\u0085\u0081"), "??");       // C1 controls have no glyph
    EXPECT_EQ(utf8_to_ascii("Grüße – ok"), "Gr??e ? ok");  // a font of 128 cells
}

TEST(CodePage, MalformedBytesCostOneQuestionMarkEachAndNothingAfterThem)
{
    EXPECT_EQ(utf8_to_cp1252("a\xC3"), "a?");  // cut off at the end
    EXPECT_EQ(utf8_to_cp1252("\xC3"
                             "A"),
              "?A");                              // no continuation byte
    EXPECT_EQ(utf8_to_cp1252("\xC0\xAF"), "??");  // overlong "/"
    EXPECT_EQ(utf8_to_cp1252("\xED\xA0\x80"
                             "x"),
              "???x");                                      // a surrogate
    EXPECT_EQ(utf8_to_cp1252("\xF4\x90\x80\x80"), "????");  // past U+10FFFF
    EXPECT_EQ(utf8_to_cp1252("\x80\xFF"), "??");
}

TEST(CodePage, ValidityFollowsTheSameRules)
{
    EXPECT_TRUE(utf8_valid(""));
    EXPECT_TRUE(utf8_valid("Grüße € 😀"));
    EXPECT_FALSE(utf8_valid("a\xC3"));
    EXPECT_FALSE(utf8_valid("\xC0\xAF"));
    EXPECT_FALSE(utf8_valid("\xED\xA0\x80"));
    EXPECT_FALSE(utf8_valid("\xE2\x82"));  // a three-byte character cut short
}

}  // namespace
