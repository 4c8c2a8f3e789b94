// String values: the growth rule, deep copies, joins and the string functions.
#include "core/rt_string.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

std::string text_of(const rt_string& s)
{
    return std::string(s.data, s.length);
}

TEST(StringGrowth, CapacityIsTheNextMultipleOf512AboveTheLength)
{
    rt_string s;
    EXPECT_EQ(s.capacity, 0u);
    str_assign_text(s, std::string(511, 'x').c_str());
    EXPECT_EQ(s.capacity, 512u);
    EXPECT_EQ(s.length, 511u);
    str_assign_text(s, std::string(512, 'y').c_str());
    EXPECT_EQ(s.capacity, 1024u);
    EXPECT_EQ(s.length, 512u);
    EXPECT_EQ(text_of(s), std::string(512, 'y'));
}

TEST(StringGrowth, AssigningAShorterTextKeepsTheBlock)
{
    rt_string s(std::string(600, 'a').c_str());
    const char* block = s.data;
    s = "";
    EXPECT_EQ(s.capacity, 1024u);
    EXPECT_EQ(s.length, 0u);
    EXPECT_EQ(s.data, block);
    EXPECT_STREQ(s.c_str(), "");
}

TEST(StringGrowth, EmptyValuesShareOneTextAndOwnNothing)
{
    rt_string never_assigned;
    rt_string assigned_empty;
    assigned_empty = "";
    EXPECT_EQ(never_assigned.data, assigned_empty.data);
    EXPECT_EQ(assigned_empty.capacity, 0u);
    EXPECT_STREQ(never_assigned.c_str(), "");

    str_destroy(never_assigned);  // must not free the shared text
    EXPECT_EQ(never_assigned.data, nullptr);
    EXPECT_EQ(never_assigned.capacity, 0u);
    str_init(never_assigned);
    EXPECT_STREQ(assigned_empty.c_str(), "");
}

TEST(StringGrowth, NumbersMakeRoomFor64CharactersFirst)
{
    rt_string s;
    str_assign_number(s, 5);
    EXPECT_EQ(s.capacity, 512u);
    EXPECT_EQ(text_of(s), "5");
}

TEST(StringGrowth, ReserveHandsOutABufferThatRecountFinishes)
{
    rt_string s;
    char* buffer = str_reserve(s, 511);
    EXPECT_EQ(s.capacity, 512u);
    std::snprintf(buffer, 512, "%s", "/usr/games/brillox");
    str_recount(s);
    EXPECT_EQ(text_of(s), "/usr/games/brillox");
}

TEST(StringCopy, CopiesAreDeepAndIndependent)
{
    rt_string a("Brillox");
    rt_string b(a);
    rt_string c;
    c = a;
    EXPECT_NE(a.data, b.data);
    EXPECT_NE(a.data, c.data);
    b.data[0] = 'X';
    EXPECT_EQ(text_of(a), "Brillox");
    EXPECT_EQ(text_of(c), "Brillox");
    str_assign(c, c);  // self-assignment keeps the text
    EXPECT_EQ(text_of(c), "Brillox");
}

TEST(StringJoin, JoinsStringsTextsAndNumbers)
{
    const rt_string level("Level ");
    EXPECT_EQ(text_of(str_concat_str_num(level, 3)), "Level 3");
    EXPECT_EQ(text_of(str_concat_num_text(2.5, " s")), "2.5 s");
    EXPECT_EQ(text_of(str_concat_text_num("Score: ", 1000000)), "Score: 1000000");
    EXPECT_EQ(text_of(str_concat(level, rt_string("7"))), "Level 7");
    EXPECT_EQ(text_of(str_concat_text(rt_string(), "")), "");
    EXPECT_EQ(text_of(level + "x" + 0.5), "Level x0.5");
    EXPECT_EQ(text_of(str_concat_text_num("", 1.0 / 3)), "0.3333333333");
}

TEST(StringJoin, JoinedTextLongerThanOneBlockGrows)
{
    const rt_string half(std::string(400, 'h').c_str());
    const rt_string whole = str_concat(half, half);
    EXPECT_EQ(whole.length, 800u);
    EXPECT_EQ(whole.capacity, 1024u);
}

TEST(StringCompare, ByteWiseCaseSensitiveAndUnsigned)
{
    const rt_string s("WIN32");
    EXPECT_EQ(str_equal_text(s, "WIN32"), 1);
    EXPECT_EQ(str_equal_text(s, "win32"), 0);
    EXPECT_EQ(str_not_equal_text(s, "win32"), 1);
    EXPECT_EQ(str_not_equal_text(s, "WIN32"), 0);
    EXPECT_EQ(str_equal_text(rt_string(), ""), 1);
    EXPECT_LT(str_compare(rt_string("a"), "\xe4"), 0);  // 0xE4 sorts above ASCII
    EXPECT_EQ(str_equal(rt_string("ab"), rt_string("ab")), 1);
    EXPECT_EQ(str_equal(rt_string("ab"), rt_string("abc")), 0);
}

TEST(StringCompare, TheWholeFamilyOrdersBytesAndReadsNumbersAsNumbers)
{
    using R = rt_relation;
    const rt_string ab("ab"), abc("abc"), umlaut("\xe4");
    EXPECT_EQ(str_compare_str(ab, R::less, abc), 1);  // a prefix sorts first
    EXPECT_EQ(str_compare_str(abc, R::greater_equal, ab), 1);
    EXPECT_EQ(str_compare_str(ab, R::less_equal, ab), 1);
    EXPECT_EQ(str_compare_str(umlaut, R::greater, ab), 1);  // unsigned bytes
    EXPECT_EQ(str_compare_text(ab, R::greater, "B"), 1);    // case-sensitive: 'a' > 'B'
    EXPECT_EQ(str_compare_text(ab, R::less_equal, "aa"), 0);
    EXPECT_EQ(str_compare_text_str("aa", R::less, ab), 1);
    EXPECT_EQ(str_compare_text_str("ab", R::not_equal, ab), 0);
    // Numbers: " 12abc" reads as 12, so it is below 100 although "1" sorts above " ".
    EXPECT_EQ(str_compare_num(rt_string(" 12abc"), R::less, 100), 1);
    EXPECT_EQ(str_compare_num(rt_string("abc"), R::equal, 0), 1);
    EXPECT_EQ(str_compare_num_str(4e2, R::equal, rt_string("4e2")), 1);
    EXPECT_EQ(str_compare_num_str(std::nan(""), R::not_equal, rt_string("1")), 1);
}

TEST(StringFunctions, ToNumberAndLength)
{
    EXPECT_EQ(str_to_number(rt_string(" 42")), 42);
    EXPECT_EQ(str_to_number(rt_string("4e2")), 400);
    EXPECT_EQ(str_to_number(rt_string("abc")), 0);
    EXPECT_EQ(str_len(rt_string("Cavern")), 6);
    EXPECT_EQ(str_len(rt_string()), 0);
}

TEST(StringFunctions, MidClipsToTheText)
{
    const rt_string cavern("Cavern");
    EXPECT_EQ(text_of(str_mid(cavern, 3, 10)), "ern");
    EXPECT_EQ(text_of(str_mid(cavern, 0, 2)), "Ca");
    EXPECT_EQ(text_of(str_mid(cavern, 2.9, 1.9)), "v");  // both truncated
    EXPECT_EQ(text_of(str_mid(cavern, 6, 1)), "");
    EXPECT_EQ(text_of(str_mid(cavern, -1, 3)), "");
    EXPECT_EQ(text_of(str_mid(cavern, 7, -5)), "");
    EXPECT_EQ(text_of(str_mid(cavern, 1, 0)), "");
    EXPECT_EQ(text_of(str_mid(cavern, 1, -1)), "");
    EXPECT_EQ(text_of(str_mid(cavern, 1, 1e12)), "avern");
}

TEST(StringFunctions, FindGivesTheFirstPositionOrMinusOne)
{
    const rt_string s("abcabc");
    EXPECT_EQ(str_find(s, "ca"), 2);
    EXPECT_EQ(str_find(s, "x"), -1);
    EXPECT_EQ(str_find(s, ""), 0);
    EXPECT_EQ(str_find(s, "ABC"), -1);
    EXPECT_EQ(str_find(rt_string(), "a"), -1);
}

TEST(StringFunctions, CaseChangesOnlyTouchAsciiLetters)
{
    const rt_string s(
        "Gr\xfc\xdf"
        "e, Br\xc4llox 7!");
    EXPECT_EQ(text_of(str_upper(s)),
              "GR\xfc\xdf"
              "E, BR\xc4LLOX 7!");
    EXPECT_EQ(text_of(str_lower(s)),
              "gr\xfc\xdf"
              "e, br\xc4llox 7!");
    EXPECT_EQ(text_of(s),
              "Gr\xfc\xdf"
              "e, Br\xc4llox 7!");  // the original is unchanged
}

TEST(StringFunctions, ChrMakesOneByte)
{
    EXPECT_EQ(text_of(str_chr(65)), "A");
    EXPECT_EQ(text_of(str_chr(65.9)), "A");
    EXPECT_EQ(text_of(str_chr(0xe4)), "\xe4");
    EXPECT_EQ(str_chr(0).length, 0u);
}

}  // namespace
