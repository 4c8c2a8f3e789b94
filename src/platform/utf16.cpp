// UTF-8 <-> UTF-16 by hand: the conversions of the C++ library are deprecated, and the Windows
// functions exist on Windows only, where the tests could not check them against Linux.
#include "platform/utf16.h"

namespace platform {

namespace {

constexpr char32_t replacement = 0xFFFD;

bool is_continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The character starting at text[i], or replacement for a byte that starts none; i moves past
// what was read (one byte when it was not a character).
char32_t next_character(const std::string& text, std::size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t value = 0;
    char32_t smallest = 0;  // below it the sequence is an overlong encoding
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, value = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, value = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, value = lead & 0x07, smallest = 0x10000;
    } else {
        ++i;
        return replacement;
    }
    if (text.size() - i <= static_cast<std::size_t>(extra)) {
        ++i;
        return replacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if (!is_continuation(byte)) {
            ++i;
            return replacement;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF) {
        ++i;
        return replacement;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return value;  // surrogates included: they are lone surrogates of a file name
}

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool is_high_surrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool is_low_surrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::wstring widen(const std::string& utf8)
{
    std::wstring out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t c = next_character(utf8, i);
        if (c < 0x10000) {
            out += static_cast<wchar_t>(c);
        } else {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string narrow(const std::wstring& utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        // Only the low 16 bits are a code unit, also where wchar_t is wider.
        const char32_t unit = static_cast<char32_t>(utf16[i]) & 0xFFFF;
        if (is_high_surrogate(unit) && i + 1 < utf16.size()) {
            const char32_t next = static_cast<char32_t>(utf16[i + 1]) & 0xFFFF;
            if (is_low_surrogate(next)) {
                append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        append_utf8(out, unit);
    }
    return out;
}

}  // namespace platform
