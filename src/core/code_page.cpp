// UTF-8 decoding and the Windows-1252 table. A malformed sequence costs one "?" per byte, so a
// text never grows and nothing past its end is read.
#include "core/code_page.h"

#include <array>
#include <cstdint>

namespace {

// The characters Windows-1252 places at 0x80..0x9F, in byte order; 0 where it has none.
constexpr std::array<std::uint16_t, 32> cp1252_high = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88..8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98..9F
};

constexpr char32_t malformed = 0xFFFFFFFF;

// Decodes the sequence at text[at] and moves at past it; a malformed byte is passed over alone.
char32_t next_code_point(std::string_view text, std::size_t& at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    char32_t code = 0, lowest = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, lowest = 0x10000;
    } else {
        ++at;
        return malformed;
    }
    if (text.size() - at < static_cast<std::size_t>(length)) {
        ++at;
        return malformed;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return malformed;
        }
        code = (code << 6) | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++at;
        return malformed;
    }
    at += length;
    return code;
}

char cp1252_byte(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
    for (std::size_t i = 0; i < cp1252_high.size(); ++i) {
        if (cp1252_high[i] != 0 && cp1252_high[i] == code) return static_cast<char>(0x80 + i);
    }
    return '?';
}

}  // namespace

bool utf8_valid(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        if (next_code_point(text, at) == malformed) return false;
    }
    return true;
}

std::string utf8_to_cp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) out += cp1252_byte(next_code_point(text, at));
    return out;
}

std::string utf8_to_ascii(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const char32_t code = next_code_point(text, at);
        out += code < 0x80 ? static_cast<char>(code) : '?';
    }
    return out;
}
