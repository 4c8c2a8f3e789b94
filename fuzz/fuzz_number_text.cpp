// Fuzz target for the number conversions. Text-to-number is checked against the C library's
// strtod wherever both are defined (strtod also reads hexadecimal, "inf" and "nan"); number-
// to-text and the end report's "%.2g" against the C library's "%.10g", "%.9e" and "%.2g"
// reshaped to the runtime's form (an exact tie rounded away from zero), and against reading
// its own text back.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/number_text.h"
#include "fuzz_support.h"

namespace {

bool is_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Texts whose number strtod reads in a form the runtime does not know.
bool strtod_reads_more(const char* text)
{
    while (is_space(*text)) ++text;
    if (*text == '+' || *text == '-') ++text;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return true;
    return *text == 'i' || *text == 'I' || *text == 'n' || *text == 'N';
}

void check_text_to_number(const std::string& text)
{
    const double ours = rt_text_to_number(text.c_str());
    FUZZ_CHECK(!std::isnan(ours));
    if (strtod_reads_more(text.c_str())) return;
    const double reference = std::strtod(text.c_str(), nullptr);
    if (std::memcmp(&ours, &reference, sizeof ours) != 0) {
        std::fprintf(stderr, "text \"%s\": %.17g, strtod %.17g\n", text.c_str(), ours, reference);
        FUZZ_CHECK(false);
    }
}

// Whether the exact decimal value of a positive double is a tie at its (digits + 1)-th
// significant digit: the kept digits, a 5, and nothing after it. glibc prints every digit of a
// double's exact expansion (at most 767 significant ones).
bool exact_tie(double magnitude, int digits)
{
    static char text[1024];
    std::snprintf(text, sizeof text, "%.780e", magnitude);
    const char* e = std::strchr(text, 'e');
    const std::string mantissa =
        std::string(1, text[0]) + std::string(text + 2, static_cast<std::size_t>(e - text - 2));
    return mantissa[static_cast<std::size_t>(digits)] == '5' &&
           mantissa.find_first_not_of('0', static_cast<std::size_t>(digits) + 1) ==
               std::string::npos;
}

// The runtime rounds an exact tie away from zero, the C library to even: the value one step
// further from zero rounds away in the C library too.
double tie_broken(double value, int digits)
{
    if (value == 0 || !std::isfinite(value) || !exact_tie(std::fabs(value), digits)) return value;
    return std::nextafter(value, std::copysign(HUGE_VAL, value));
}

// "%.2g" from the C library with the exponent widened to three digits.
std::string reference_g2(double value)
{
    char g[64];
    std::snprintf(g, sizeof g, "%.2g", tie_broken(value, 2));
    std::string s = g;
    const std::size_t at = s.find('e');
    if (at == std::string::npos) return s;
    const int exponent = std::atoi(s.c_str() + at + 1);
    char tail[16];
    std::snprintf(tail, sizeof tail, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return s.substr(0, at) + tail;
}

// The runtime's form from the C library: "%.10g" already drops trailing zeros and the point
// in the fixed form; the exponent form (from 10 digits up, and below 0.1, where "%.10g" would
// still write 0.0...) is rebuilt from "%.9e" with the point kept and a three-digit exponent.
std::string reference_text(double value)
{
    if (value == 0) return "0";
    value = tie_broken(value, 10);
    char g[64];
    std::snprintf(g, sizeof g, "%.10g", value);
    const std::string fixed = g;
    const bool tiny = fixed.rfind("0.0", 0) == 0 || fixed.rfind("-0.0", 0) == 0;
    if (fixed.find('e') == std::string::npos && !tiny) return fixed;

    char e[64];
    std::snprintf(e, sizeof e, "%.9e", value);
    std::string s = e;
    const std::size_t at = s.find('e');
    std::string mantissa = s.substr(0, at);
    while (mantissa.back() == '0') mantissa.pop_back();
    const int exponent = std::atoi(s.c_str() + at + 1);
    char tail[16];
    std::snprintf(tail, sizeof tail, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return mantissa + tail;
}

void check_number_to_text(double value)
{
    char text[rt_number_text_size];
    const int length = rt_number_to_text(value, text);
    FUZZ_CHECK(length >= 1 && length < rt_number_text_size);
    FUZZ_CHECK(static_cast<std::size_t>(length) == std::strlen(text));
    if (!std::isfinite(value)) return;

    const std::string reference = reference_text(value);
    if (reference != text) {
        std::fprintf(stderr, "%.17g: \"%s\", reference \"%s\"\n", value, text, reference.c_str());
        FUZZ_CHECK(false);
    }
    // Ten significant digits come back within half a unit of the tenth digit.
    // (Values that round up past the largest double read back as infinity, rightly.)
    const double back = rt_text_to_number(text);
    if (std::fabs(value) >= DBL_MIN && std::isfinite(back)) {
        FUZZ_CHECK(std::fabs(back - value) <= std::fabs(value) * 5.000001e-10);
    }

    char g2[rt_number_text_size];
    const int g2_length = rt_format_g2(value, g2);
    FUZZ_CHECK(g2_length >= 1 && static_cast<std::size_t>(g2_length) == std::strlen(g2));
    const std::string g2_reference = reference_g2(value);
    if (g2_reference != g2) {
        std::fprintf(stderr, "%.17g: g2 \"%s\", reference \"%s\"\n", value, g2,
                     g2_reference.c_str());
        FUZZ_CHECK(false);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The bytes as text (up to a first 0 byte, as strings end there), and, when there are
    // enough of them, the first eight as a double.
    check_text_to_number(std::string(reinterpret_cast<const char*>(data), size).c_str());
    if (size >= sizeof(double)) {
        double value;
        std::memcpy(&value, data, sizeof value);
        check_number_to_text(value);
    }
    return 0;
}
