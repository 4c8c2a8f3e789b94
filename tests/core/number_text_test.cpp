// Tests for the number/text conversions: fixed tables of awkward values, plus properties
// checked against glibc (the correctly rounded "%.9e" and strtod in the "C" locale).
#include "core/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "support/posix_only.h"

namespace {

std::string to_text(double value)
{
    char out[rt_number_text_size];
    const int len = rt_number_to_text(value, out);
    EXPECT_EQ(len, static_cast<int>(std::strlen(out))) << "length for " << out;
    return out;
}

std::string g2(double value)
{
    char out[rt_number_text_size];
    const int len = rt_format_g2(value, out);
    EXPECT_EQ(len, static_cast<int>(std::strlen(out))) << "length for " << out;
    return out;
}

// The value x becomes once rounded to 10 significant digits.
double rounded_to_10_digits(double x)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.9e", x);
    return std::strtod(text, nullptr);
}

bool same_bits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct ToTextCase {
    double value;
    const char* expected;
};

TEST(NumberToText, Table)
{
    const double inf = std::numeric_limits<double>::infinity();
    const ToTextCase cases[] = {
        // Whole numbers up to ten digits print without a point.
        {0, "0"},
        {-0.0, "0"},
        {5, "5"},
        {-3, "-3"},
        {100, "100"},
        {1000000, "1000000"},
        {1e9, "1000000000"},
        {9999999999, "9999999999"},
        {-9999999999, "-9999999999"},
        // Fixed form, rounded to 10 significant digits, trailing zeros dropped.
        {2.25, "2.25"},
        {123.456, "123.456"},
        {-0.25, "-0.25"},
        {0.5, "0.5"},
        {0.1, "0.1"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.3333333333"},
        {2.0 / 3, "0.6666666667"},
        {-2.0 / 3, "-0.6666666667"},
        {123456789.5, "123456789.5"},
        {9.99999999996, "10"},  // rounding carries into a new digit and the point goes
        {99.999999999, "100"},
        {0.099999999999, "0.1"},  // rounds up to e = -1, so fixed form
        {1.5e9 + 0.25, "1500000000"},
        // An exact tie of the binary value rounds away from zero; a hair below it rounds down.
        {1234567890.5, "1234567891"},
        {1234567891.5, "1234567892"},
        {-1234567890.5, "-1234567891"},
        {12345678.125, "12345678.13"},
        {std::nextafter(12345678.125, 0.0), "12345678.12"},
        // Exponent form: one digit, the point always, three exponent digits.
        {1e10, "1.e+010"},
        {-1e10, "-1.e+010"},
        {12345678901.0, "1.23456789e+010"},
        {9999999999.5, "1.e+010"},  // rounds up out of the ten-digit range
        {-1e15, "-1.e+015"},
        {0.05, "5.e-002"},
        {0.01, "1.e-002"},
        {0.0123456789012, "1.23456789e-002"},
        {0.09999999999, "9.999999999e-002"},
        {1e-300, "1.e-300"},
        {1e100, "1.e+100"},
        {5e-324, "4.940656458e-324"},
        {-5e-324, "-4.940656458e-324"},
        {DBL_MAX, "1.797693135e+308"},
        {DBL_MIN, "2.225073859e-308"},
        {inf, "inf"},
        {-inf, "-inf"},
        {std::nan(""), "nan"},
        {-std::nan(""), "nan"},
    };
    for (const ToTextCase& c : cases) {
        EXPECT_EQ(to_text(c.value), c.expected) << "value " << c.value;
    }
}

TEST(NumberToText, WholeNumbersMatchPlainDecimal)
{
    // Whole numbers take a separate path from fractions; both must agree with printf.
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const double x = static_cast<double>(random() % 10000000000ULL) * (i % 2 ? 1 : -1);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.0f", x == 0 ? 0.0 : x);
        ASSERT_EQ(to_text(x), expected);
    }
}

TEST(NumberToText, ReadsBackAsTenDigitRounding)
{
    // Over many magnitudes, printing then reading gives exactly x rounded to 10 digits, and
    // the shape is fixed form for exponents -1..9 and exponent form outside.
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> decade(-320, 307);
    for (int i = 0; i < 50000; ++i) {
        double x = mantissa(random) * std::pow(10.0, i % 3 == 0 ? decade(random) : i % 14 - 3);
        if (i % 2) x = -x;
        if (!std::isfinite(x)) continue;
        const std::string text = to_text(x);
        ASSERT_TRUE(same_bits(rt_text_to_number(text.c_str()), rounded_to_10_digits(x)))
            << text << " from " << x;
        char sci[64];
        std::snprintf(sci, sizeof sci, "%.9e", x);
        const int exponent = std::atoi(std::strchr(sci, 'e') + 1);
        const bool exponent_form = exponent < -1 || exponent > 9;
        ASSERT_EQ(text.find('e') != std::string::npos, exponent_form) << text;
        ASSERT_NE(text.back(), '.') << text;
        if (!exponent_form && text.find('.') != std::string::npos) {
            ASSERT_NE(text.back(), '0') << text;
        }
    }
}

struct FromTextCase {
    const char* text;
    double expected;
};

TEST(TextToNumber, Table)
{
    const double inf = std::numeric_limits<double>::infinity();
    const FromTextCase cases[] = {
        {"42", 42},
        {" 42", 42},
        {" \t\n\v\f\r7", 7},
        {"+3", 3},
        {"-3", -3},
        {"4e2", 400},
        {"4E2", 400},
        {"4e+2", 400},
        {"4e-2", 0.04},
        {"4e", 4},
        {"4e+", 4},
        {"4e-x", 4},
        {"4.5e", 4.5},
        {"5.", 5},
        {"5.e1", 50},
        {".5", 0.5},
        {"-.5x", -0.5},
        {"12abc", 12},
        {"1.2.3", 1.2},
        {"0.1", 0.1},
        {"007", 7},
        {"1e400", inf},
        {"-1e400", -inf},
        {"1e99999999999999999999", inf},
        {"0.0000000000000001e325", inf},
        {"1e-400", 0},
        {"3e-324", 5e-324},  // rounds to the smallest denormal
        {"1e-325", 0},
        {"4.9406564584124654e-324", 5e-324},
        {"2.2250738585072014e-308", DBL_MIN},
        {"1.7976931348623157e308", DBL_MAX},
        {"0e99999", 0},
        // No prefix at all.
        {"", 0},
        {"abc", 0},
        {".", 0},
        {"-", 0},
        {"+", 0},
        {"-.", 0},
        {"e5", 0},
        {".e5", 0},
        {"+-3", 0},
        {"- 3", 0},
        // Words and hexadecimal that strtod would accept are not numbers here.
        {"inf", 0},
        {"-infinity", 0},
        {"nan", 0},
        {"0x1A", 0},
        {"0x", 0},
    };
    for (const FromTextCase& c : cases) {
        EXPECT_TRUE(same_bits(rt_text_to_number(c.text), c.expected))
            << '"' << c.text << "\" gives " << rt_text_to_number(c.text);
    }
    EXPECT_EQ(rt_text_to_number(nullptr), 0);
    EXPECT_TRUE(std::signbit(rt_text_to_number("-0")));
}

TEST(TextToNumber, LongDigitStrings)
{
    // Thousands of digits must still round correctly, in both directions of range.
    std::string digits = "0.";
    digits += std::string(3000, '0');
    digits += "1e3000";
    EXPECT_EQ(rt_text_to_number(digits.c_str()), 0.1);

    std::string huge = "1" + std::string(5000, '0');
    EXPECT_EQ(rt_text_to_number(huge.c_str()), std::numeric_limits<double>::infinity());
    EXPECT_EQ(rt_text_to_number((huge + "e-5000").c_str()), 1.0);

    std::string tiny = "-0." + std::string(400, '0') + "5";
    EXPECT_TRUE(same_bits(rt_text_to_number(tiny.c_str()), -0.0));

    // Just above a rounding boundary, decided only by a digit far down the string.
    // 2^53 + 1 lies halfway between two doubles: exactly it rounds to even, a hair above up.
    const std::string half = "9007199254740993";
    EXPECT_EQ(rt_text_to_number((half + std::string(2001, '0') + "e-2001").c_str()),
              9007199254740992.0);
    EXPECT_EQ(rt_text_to_number((half + std::string(2000, '0') + "1e-2001").c_str()),
              9007199254740994.0);
}

// The exact decimal value halfway between two neighbouring positive doubles, in fixed form
// (printf writes a double's exact digits when asked for enough of them).
std::string halfway_text(double below, double above)
{
    char a[1500];
    char b[1500];
    std::snprintf(a, sizeof a, "%.1100f", below);
    std::snprintf(b, sizeof b, "%.1100f", above);
    std::string x = a;
    std::string y = b;
    x.erase(x.find('.'), 1);
    y.erase(y.find('.'), 1);
    const std::size_t width = std::max(x.size(), y.size()) + 1;
    x.insert(0, width - x.size(), '0');
    y.insert(0, width - y.size(), '0');
    std::string sum(width, '0');
    int carry = 0;
    for (std::size_t i = width; i-- > 0;) {
        const int digit = (x[i] - '0') + (y[i] - '0') + carry;
        sum[i] = static_cast<char>('0' + digit % 10);
        carry = digit / 10;
    }
    std::string half(width, '0');
    int remainder = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const int value = remainder * 10 + (sum[i] - '0');
        half[i] = static_cast<char>('0' + value / 2);
        remainder = value % 2;
    }
    half.insert(width - 1100, ".");
    while (half.back() == '0') half.pop_back();
    if (half.back() == '.') half.pop_back();
    return half;
}

// A decimal text a hair above or below the one given: a digit far beyond its last.
std::string hair_above(std::string text)
{
    if (text.find('.') == std::string::npos) text += '.';
    return text + "000001";
}

std::string hair_below(std::string text)
{
    for (std::size_t i = text.size(); i-- > 0;) {  // minus one in the last place, borrowing
        if (text[i] == '.') continue;
        if (text[i] != '0') {
            --text[i];
            break;
        }
        text[i] = '9';
    }
    if (text.find('.') == std::string::npos) text += '.';
    return text + "999999";
}

TEST(TextToNumber, RoundsHalfwayPointsToEven)
{
    // A text exactly halfway between two doubles goes to the one with an even last bit; the
    // smallest step above or below decides, however far down the digits it comes. Neighbours
    // drawn from every binade: denormals, the normal range, up to the largest double.
    std::mt19937_64 random(2026);
    for (int i = 0; i < 3000; ++i) {
        const std::uint64_t bits = random() % 0x7FEFFFFFFFFFFFFFull;
        double below = 0;
        std::memcpy(&below, &bits, sizeof below);
        const double above = std::nextafter(below, HUGE_VAL);
        const std::string half = halfway_text(below, above);
        const double even = (bits & 1) == 0 ? below : above;
        ASSERT_TRUE(same_bits(rt_text_to_number(half.c_str()), even)) << half;
        ASSERT_TRUE(same_bits(rt_text_to_number(hair_above(half).c_str()), above)) << half;
        ASSERT_TRUE(same_bits(rt_text_to_number(hair_below(half).c_str()), below)) << half;
        // The same value with the point moved before the first digit and an exponent.
        std::string digits = half;
        std::size_t point = digits.find('.');
        if (point == std::string::npos)
            point = digits.size();
        else
            digits.erase(point, 1);
        const std::string shifted = "0." + digits + "e" + std::to_string(point);
        ASSERT_TRUE(same_bits(rt_text_to_number(shifted.c_str()), even)) << shifted;
    }

    // Around the largest double: halfway to 2^1024 and above it is infinity.
    EXPECT_EQ(rt_text_to_number("1.7976931348623158079e308"), DBL_MAX);
    EXPECT_EQ(rt_text_to_number("1.797693134862315807938e308"),
              std::numeric_limits<double>::infinity());
    // The largest denormal and the smallest normal number.
    EXPECT_TRUE(
        same_bits(rt_text_to_number("2.2250738585072011e-308"), std::nextafter(DBL_MIN, 0.0)));
    EXPECT_TRUE(same_bits(rt_text_to_number("2.2250738585072012e-308"), DBL_MIN));
}

TEST(TextToNumber, AgreesWithStrtodOnRandomText)
{
    SKIP_ON_WINDOWS(
        "the C library's strtod there (msvcrt) gives -0 for a text without a "
        "number such as \"-+5\"");
    // Over an alphabet without letters strtod would read as hex, inf or nan, the longest-prefix
    // rule is the same as strtod's in the "C" locale, so results must match bit for bit.
    const char alphabet[] = " \t+-.eE0123456789012345678901234567890123456789";
    std::mt19937 random(99);
    std::uniform_int_distribution<int> pick(0, sizeof alphabet - 2);
    std::uniform_int_distribution<int> length(0, 24);
    for (int i = 0; i < 100000; ++i) {
        char text[32];
        const int n = length(random);
        for (int k = 0; k < n; ++k) text[k] = alphabet[pick(random)];
        text[n] = '\0';
        ASSERT_TRUE(same_bits(rt_text_to_number(text), std::strtod(text, nullptr)))
            << '"' << text << '"';
    }
}

TEST(FormatG2, Table)
{
    const ToTextCase cases[] = {
        {0, "0"},
        {7, "7"},
        {12, "12"},
        {-1, "-1"},
        {99, "99"},
        {99.6, "1e+002"},
        {700, "7e+002"},
        {123, "1.2e+002"},
        {-123, "-1.2e+002"},
        {125, "1.3e+002"},  // exact ties round away from zero
        {105, "1.1e+002"},
        {-2.25, "-2.3"},
        {0.125, "0.13"},
        {0.0625, "0.063"},
        {0.5, "0.5"},
        {0.25, "0.25"},
        {1e-5, "1e-005"},
        {1.5e-10, "1.5e-010"},
        {1e100, "1e+100"},
        {DBL_MAX, "1.8e+308"},
        {5e-324, "4.9e-324"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::nan(""), "nan"},
    };
    for (const ToTextCase& c : cases) EXPECT_EQ(g2(c.value), c.expected) << "value " << c.value;
}

}  // namespace
