// Conversions between numbers and text for runtime values. Numbers print with 10 significant
// digits and "1.e+010"-style exponents, the way the game has always shown them, and text reads
// back without regard to the process locale. Nothing here allocates.
#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

int copy_text(char (&out)[rt_number_text_size], int len, const char* text)
{
    const int n = static_cast<int>(std::strlen(text));
    std::memcpy(out + len, text, static_cast<std::size_t>(n) + 1);
    return len + n;
}

// Writes the decimal digits of n at out; returns how many.
int write_digits(unsigned long long n, char* out)
{
    char reversed[20];
    int count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    for (int i = 0; i < count; ++i) out[i] = reversed[count - 1 - i];
    return count;
}

// Decides the direction of a value that from_chars reports as out of range: the power of ten
// of its first significant digit is positive for an overflow and negative for an underflow
// (the two lie hundreds of decades apart, so the sign alone decides).
bool overflows(const char* mantissa, const char* mantissa_end, long long exponent)
{
    long long int_digits = 0;
    const char* p = mantissa;
    while (p != mantissa_end && is_digit(*p)) ++p, ++int_digits;
    long long position = int_digits - 1;  // power of ten of the digit at mantissa
    for (p = mantissa; p != mantissa_end; ++p) {
        if (*p == '.') continue;
        if (*p != '0') break;
        --position;
    }
    return position + exponent > 0;
}

// The first `count` (at most 17) significant digits of a positive finite value, rounded half
// away from zero as the platform library the game was written for does (glibc's printf
// rounds an exact tie to even: 0.125 to two digits gives 0.12, not 0.13). exponent is the
// power of ten of the first digit of the rounded value.
struct Digits {
    char digit[17];
    int exponent;
};

Digits rounded_digits(double value, int count)
{
    // Thirty exact significant digits decide the rounding: a double that is not exactly a tie
    // lies at least 2^-53 of its size away from it, which shows long before the thirtieth.
    char sci[48];
    std::snprintf(sci, sizeof sci, "%.29e", value);
    char all[30];
    all[0] = sci[0];
    std::memcpy(all + 1, sci + 2, 29);
    Digits result{};
    for (const char* p = sci + 33; is_digit(*p); ++p)
        result.exponent = result.exponent * 10 + (*p - '0');
    if (sci[32] == '-') result.exponent = -result.exponent;
    std::memcpy(result.digit, all, static_cast<std::size_t>(count));
    if (all[count] >= '5') {
        int i = count - 1;
        while (i >= 0 && result.digit[i] == '9') result.digit[i--] = '0';
        if (i >= 0) {
            ++result.digit[i];
        } else {  // 9.99 became 10.0
            result.digit[0] = '1';
            ++result.exponent;
        }
    }
    return result;
}

}  // namespace

int rt_number_to_text(double value, char (&out)[rt_number_text_size])
{
    if (std::isnan(value)) return copy_text(out, 0, "nan");
    if (value == 0) return copy_text(out, 0, "0");  // negative zero too: never show "-0"
    int len = 0;
    if (std::signbit(value)) {
        out[len++] = '-';
        value = -value;
    }
    if (std::isinf(value)) return copy_text(out, len, "inf");

    // Whole numbers below 1e10 (the usual case) have at most 10 digits, so nothing rounds.
    if (value < 1e10 && value == std::floor(value)) {
        len += write_digits(static_cast<unsigned long long>(value), out + len);
        out[len] = '\0';
        return len;
    }

    // Ten significant digits, with the exponent of the rounded value (9999999999.5 comes out
    // as 1.000000000e+10).
    const Digits rounded = rounded_digits(value, 10);
    const char* const digits = rounded.digit;
    const int exponent = rounded.exponent;
    int count = 10;  // significant digits left once trailing zeros are dropped
    while (count > 1 && digits[count - 1] == '0') --count;

    if (exponent < -1 || exponent > 9) {
        out[len++] = digits[0];
        out[len++] = '.';  // stays even when no digit follows: "1.e+010"
        std::memcpy(out + len, digits + 1, static_cast<std::size_t>(count - 1));
        len += count - 1;
        out[len++] = 'e';
        out[len++] = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;  // at most 324 for a double
        out[len++] = static_cast<char>('0' + magnitude / 100);
        out[len++] = static_cast<char>('0' + magnitude / 10 % 10);
        out[len++] = static_cast<char>('0' + magnitude % 10);
    } else if (exponent == -1) {
        out[len++] = '0';
        out[len++] = '.';
        std::memcpy(out + len, digits, static_cast<std::size_t>(count));
        len += count;
    } else {
        const int whole = exponent + 1;
        std::memcpy(out + len, digits, static_cast<std::size_t>(whole));
        len += whole;
        if (count > whole) {  // otherwise the point would be last, and a last point is dropped
            out[len++] = '.';
            std::memcpy(out + len, digits + whole, static_cast<std::size_t>(count - whole));
            len += count - whole;
        }
    }
    out[len] = '\0';
    return len;
}

double rt_text_to_number(const char* text)
{
    if (text == nullptr) return 0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;

    // Find the end of the longest valid prefix; from_chars then reads exactly that range.
    const char* const start = p;
    while (is_digit(*p)) ++p;
    bool has_digits = p != start;
    if (*p == '.') {
        const char* fraction = p + 1;
        while (is_digit(*fraction)) ++fraction;
        has_digits = has_digits || fraction != p + 1;
        p = fraction;
    }
    if (!has_digits) return 0;
    const char* const mantissa_end = p;
    long long exponent = 0;  // only needed to tell overflow from underflow; saturates
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        const bool negative_exponent = *q == '-';
        if (*q == '+' || *q == '-') ++q;
        if (is_digit(*q)) {  // an exponent without digits is not part of the number
            for (; is_digit(*q); ++q) {
                if (exponent < 1000000000) exponent = exponent * 10 + (*q - '0');
            }
            if (negative_exponent) exponent = -exponent;
            p = q;
        }
    }

    double value = 0;
    const std::from_chars_result result =
        std::from_chars(start, p, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = overflows(start, mantissa_end, exponent) ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

int rt_format_g2(double value, char (&out)[rt_number_text_size])
{
    if (value == 0 || !std::isfinite(value)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2g", value);
        return copy_text(out, 0, text);
    }
    int len = 0;
    if (value < 0) {
        out[len++] = '-';
        value = -value;
    }
    // "%.2g": two significant digits; the fixed form for exponents -4 to 1, else d.de+XXX;
    // trailing zeros go, and with them a point that is left last.
    const Digits rounded = rounded_digits(value, 2);
    const int exponent = rounded.exponent;
    const int count = rounded.digit[1] == '0' ? 1 : 2;
    if (exponent < -4 || exponent >= 2) {
        out[len++] = rounded.digit[0];
        if (count == 2) {
            out[len++] = '.';
            out[len++] = rounded.digit[1];
        }
        out[len++] = 'e';
        out[len++] = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        out[len++] = static_cast<char>('0' + magnitude / 100);
        out[len++] = static_cast<char>('0' + magnitude / 10 % 10);
        out[len++] = static_cast<char>('0' + magnitude % 10);
    } else if (exponent < 0) {
        out[len++] = '0';
        out[len++] = '.';
        for (int i = exponent + 1; i < 0; ++i) out[len++] = '0';
        std::memcpy(out + len, rounded.digit, static_cast<std::size_t>(count));
        len += count;
    } else if (exponent == 0) {
        out[len++] = rounded.digit[0];
        if (count == 2) {
            out[len++] = '.';
            out[len++] = rounded.digit[1];
        }
    } else {  // two whole digits
        out[len++] = rounded.digit[0];
        out[len++] = rounded.digit[1];
    }
    out[len] = '\0';
    return len;
}
