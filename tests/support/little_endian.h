// Little-endian numbers in byte strings, as the BMP and WAV formats store them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace testing_support {

inline void put16(std::string& s, std::uint32_t v)  // appends the low 16 bits
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8 & 0xFF);
}

inline void put32(std::string& s, std::uint32_t v)  // appends 4 bytes
{
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

inline void poke32(std::string& s, std::size_t at, std::uint32_t v)  // overwrites 4 bytes at at
{
    std::string le;
    put32(le, v);
    s.replace(at, 4, le);
}

inline int le16(const std::string& s, std::size_t at)  // the signed 16-bit number at at
{
    return static_cast<std::int16_t>(static_cast<unsigned char>(s[at]) |
                                     static_cast<unsigned char>(s[at + 1]) << 8);
}

inline std::uint32_t le32(const std::string& s, std::size_t at)  // the 32-bit number at at
{
    return static_cast<std::uint32_t>(le16(s, at) & 0xFFFF) |
           static_cast<std::uint32_t>(le16(s, at + 2) & 0xFFFF) << 16;
}

}  // namespace testing_support
