// Reads WAV files into memory: PCM sample bytes with their format. Pure file parsing, no
// device. Malformed, truncated or hostile files fail cleanly without large allocations.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct WavSound {
    int channels = 0;                // as in the file; the mixer plays more than two as two
    int sample_rate = 0;             // frames per second
    int bits_per_sample = 0;         // 8 (unsigned) or 16 (signed little-endian)
    int block_align = 0;             // bytes per frame
    std::vector<std::uint8_t> data;  // the data chunk's bytes
};

bool wav_read(const std::string& path, WavSound& out);  // false: no sound, out left empty
