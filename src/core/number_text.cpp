// Conversions between numbers and text for runtime values. Numbers print with 10 significant
// digits and "1.e+010"-style exponents, the way the game has always shown them, and text reads
// back without regard to the process locale. Nothing here allocates.
#include "core/number_text.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

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

// Decimal text to the nearest double, rounded half to even as IEEE 754 asks, overflowing to
// infinity and underflowing to 0. Written out here rather than taken from the C++ library,
// whose from_chars for doubles not every standard library the game is built with has, and
// which strtod cannot stand in for: strtod follows the process locale, and not every C library
// rounds it correctly. A first guess in double arithmetic is corrected one step at a time by
// comparing the decimal value exactly, in big integers, with the points halfway between the
// guess and its neighbours.

// An unsigned integer of up to 4096 bits, enough for every comparison below: a decimal of at
// most max_significant digits scaled by at most 2^1076, or a halfway point of 55 bits scaled by
// at most 10^1104.
struct BigNumber {
    static constexpr int capacity = 128;
    std::uint32_t limb[capacity];  // least significant first
    int size = 0;

    void multiply_add(std::uint32_t factor, std::uint32_t addend)
    {
        std::uint64_t carry = addend;
        for (int i = 0; i < size; ++i) {
            const std::uint64_t product = std::uint64_t{limb[i]} * factor + carry;
            limb[i] = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0 && size < capacity) limb[size++] = static_cast<std::uint32_t>(carry);
    }
    void multiply_power_of_ten(int e)
    {
        static constexpr std::uint32_t powers[10] = {
            1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
        for (; e >= 9; e -= 9) multiply_add(powers[9], 0);
        if (e > 0) multiply_add(powers[e], 0);
    }
    void shift_left(int bits)
    {
        if (size == 0) return;
        const int whole = bits / 32;
        const int part = bits % 32;
        int new_size = size + whole + 1;
        if (new_size > capacity) new_size = capacity;
        for (int i = new_size - 1; i >= 0; --i) {
            const int from = i - whole;
            std::uint64_t value = from >= 0 && from < size ? std::uint64_t{limb[from]} << part : 0;
            if (part != 0 && from - 1 >= 0 && from - 1 < size)
                value |= limb[from - 1] >> (32 - part);
            limb[i] = static_cast<std::uint32_t>(value);
        }
        size = new_size;
        while (size > 0 && limb[size - 1] == 0) --size;
    }
    static BigNumber from(std::uint64_t value)
    {
        BigNumber n;
        while (value != 0) {
            n.limb[n.size++] = static_cast<std::uint32_t>(value);
            value >>= 32;
        }
        return n;
    }
};

int compare(const BigNumber& a, const BigNumber& b)
{
    if (a.size != b.size) return a.size < b.size ? -1 : 1;
    for (int i = a.size - 1; i >= 0; --i) {
        if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i] ? -1 : 1;
    }
    return 0;
}

// Digits beyond these cannot move a result except as "something more follows": every point
// halfway between two doubles has at most 767 significant digits.
constexpr int max_significant = 780;

// A non-negative decimal digit[0] digit[1] ... digit[count - 1] × 10^exponent, with `more` set
// when nonzero digits beyond max_significant were cut off.
struct Decimal {
    char digit[max_significant];
    int count;
    long long exponent;
    bool more;
};

// The sign of decimal − halfway × 2^power.
int compare_with(const Decimal& d, std::uint64_t halfway, int power)
{
    BigNumber left;
    for (int i = 0; i < d.count; i += 9) {
        std::uint32_t chunk = 0;
        std::uint32_t scale = 1;
        for (int k = i; k < d.count && k < i + 9; ++k) {
            chunk = chunk * 10 + static_cast<std::uint32_t>(d.digit[k] - '0');
            scale *= 10;
        }
        left.multiply_add(scale, chunk);
    }
    BigNumber right = BigNumber::from(halfway);
    if (d.exponent >= 0) {
        left.multiply_power_of_ten(static_cast<int>(d.exponent));
    } else {
        right.multiply_power_of_ten(static_cast<int>(-d.exponent));
    }
    if (power >= 0) {
        right.shift_left(power);
    } else {
        left.shift_left(-power);
    }
    const int order = compare(left, right);
    return order == 0 && d.more ? 1 : order;
}

// x = mantissa × 2^power with the mantissa whole and the power as low as a double's last bit
// may lie (-1074 for the denormals and 0).
void split(double x, std::uint64_t& mantissa, int& power)
{
    int binary_exponent = 0;
    std::frexp(x, &binary_exponent);
    power = x == 0 ? -1074 : binary_exponent - 53;
    if (power < -1074) power = -1074;
    mantissa = static_cast<std::uint64_t>(std::ldexp(x, -power));
}

double scaled_by_ten(double x, long long e)
{
    static constexpr double exact[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    for (; e > 22; e -= 22) x *= exact[22];
    for (; e < -22; e += 22) x /= exact[22];
    return e >= 0 ? x * exact[e] : x / exact[-e];
}

double decimal_to_double(const Decimal& d)
{
    if (d.count == 0) return 0;
    const long long magnitude = d.exponent + d.count - 1;  // power of ten of the first digit
    if (magnitude > 308) return HUGE_VAL;                  // at least 1e309
    if (magnitude < -325) return 0;                        // below 1e-325, under half of 5e-324

    // Up to 15 digits times an exact power of ten: one correctly rounded operation.
    std::uint64_t leading = 0;
    const int used = d.count < 19 ? d.count : 19;
    for (int i = 0; i < used; ++i)
        leading = leading * 10 + static_cast<std::uint64_t>(d.digit[i] - '0');
    if (d.count <= 15 && d.exponent >= -22 && d.exponent <= 22)
        return scaled_by_ten(static_cast<double>(leading), d.exponent);

    // A guess within some units in the last place, then steps towards the decimal while it lies
    // beyond a halfway point (on one, towards the even neighbour).
    double x = scaled_by_ten(static_cast<double>(leading), d.exponent + (d.count - used));
    if (!(x <= DBL_MAX)) x = DBL_MAX;
    for (;;) {
        std::uint64_t mantissa = 0;
        int power = 0;
        split(x, mantissa, power);
        const bool odd = (mantissa & 1) != 0;
        const int above = compare_with(d, 2 * mantissa + 1, power - 1);
        if (above > 0 || (above == 0 && odd)) {
            if (x == DBL_MAX) return HUGE_VAL;
            x = std::nextafter(x, HUGE_VAL);
            continue;
        }
        if (mantissa == 0) return x;
        // Below a power of two the next double down lies half as far away.
        const bool closer_below = mantissa == (std::uint64_t{1} << 52) && power > -1074;
        const int below = closer_below ? compare_with(d, 4 * mantissa - 1, power - 2)
                                       : compare_with(d, 2 * mantissa - 1, power - 1);
        if (below < 0 || (below == 0 && odd)) {
            x = std::nextafter(x, 0.0);
            continue;
        }
        return x;
    }
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

    // The significant digits, without leading and trailing zeros, and their power of ten.
    Decimal decimal;
    decimal.count = 0;
    decimal.more = false;
    const char* point = start;
    while (point != mantissa_end && is_digit(*point)) ++point;
    const long long int_digits = point - start;  // digits before the point
    long long position = 0;                      // digits read so far, the point not counted
    long long first = -1;                        // position of the first nonzero digit
    for (const char* q = start; q != mantissa_end; ++q) {
        if (*q == '.') continue;
        if (first < 0 && *q == '0') {
            ++position;
            continue;
        }
        if (first < 0) first = position;
        if (decimal.count < max_significant) {
            decimal.digit[decimal.count++] = *q;
        } else if (*q != '0') {
            decimal.more = true;
        }
        ++position;
    }
    while (decimal.count > 0 && decimal.digit[decimal.count - 1] == '0') --decimal.count;
    // The first digit stands for 10^(int_digits - 1 - first) before the exponent.
    decimal.exponent = int_digits - 1 - first + exponent - (decimal.count - 1);
    const double value = decimal_to_double(decimal);
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
