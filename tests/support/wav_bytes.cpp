#include "support/wav_bytes.h"

#include "support/little_endian.h"

namespace testing_support {

std::string wav_file(int channels, int rate, int bits, const std::vector<int>& samples)
{
    std::string data;
    for (int v : samples) {
        if (bits == 8) {
            data += static_cast<char>(v & 0xFF);
        } else {
            put16(data, static_cast<std::uint32_t>(v));
        }
    }
    const WavFormat format{.channels = static_cast<std::uint16_t>(channels),
                           .rate = static_cast<std::uint32_t>(rate),
                           .bits = static_cast<std::uint16_t>(bits),
                           .block_align = static_cast<std::uint16_t>(channels * bits / 8)};
    return riff_wave(format.bytes() + riff_chunk("data", data));
}

std::string WavFormat::bytes() const
{
    std::string body;
    put16(body, 1);  // PCM
    put16(body, channels);
    put32(body, rate);
    put32(body, rate * block_align);
    put16(body, block_align);
    put16(body, bits);
    return riff_chunk("fmt ", chunk_size, body + extension);
}

std::string riff_chunk(const char* id, std::uint32_t declared_size, const std::string& body)
{
    std::string s(id, 4);
    put32(s, declared_size);
    return s + body;
}

std::string riff_chunk(const char* id, const std::string& body)
{
    return riff_chunk(id, static_cast<std::uint32_t>(body.size()), body);
}

std::string riff_wave(const std::string& chunks)
{
    std::string s = "RIFF";
    put32(s, static_cast<std::uint32_t>(4 + chunks.size()));
    return s + "WAVE" + chunks;
}

std::string pcm16(const std::vector<int>& samples)
{
    std::string s;
    for (int v : samples) put16(s, static_cast<std::uint32_t>(v));
    return s;
}

}  // namespace testing_support
