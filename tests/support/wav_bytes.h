// WAV files built byte by byte: whole plain files for sounds a test plays, and the chunks
// one by one for files with a wrong size, an odd format chunk or a chunk out of place.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A plain PCM file: "RIFF", a 16-byte format chunk and the data chunk, sizes all correct.
// Samples are interleaved by channel; 8-bit ones are unsigned bytes, 16-bit ones signed.
std::string wav_file(int channels, int rate, int bits, const std::vector<int>& samples);

// A "fmt " chunk of a PCM file with every field as given, so that a test can make any of them
// wrong.
struct WavFormat {
    std::uint16_t channels = 1;
    std::uint32_t rate = 22050;
    std::uint16_t bits = 16;
    std::uint16_t block_align = 2;
    std::uint32_t chunk_size = 16;  // as declared in the chunk header
    std::string extension{};        // bytes written after the 16 format bytes

    std::string bytes() const;
};

// A chunk with a four-letter identifier and a declared size; the body is written as given, so
// that it can be longer or shorter than declared.
std::string riff_chunk(const char* id, std::uint32_t declared_size, const std::string& body);
std::string riff_chunk(const char* id, const std::string& body);  // declares the body's size

std::string riff_wave(const std::string& chunks);    // "RIFF", its correct size, "WAVE", chunks
std::string pcm16(const std::vector<int>& samples);  // the samples as signed 16-bit bytes

}  // namespace testing_support
