// Tests for the WAV reader: the layouts it reads (plain, extended format chunk, "fact"), the
// quirk it keeps, and hostile files that must fail without harm. Also hosts the allocation
// tracker the mixer tests use to prove that rendering does not allocate.
#include "sound/wav_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "support/allocation_tracker.h"
#include "support/little_endian.h"
#include "support/temp_dir.h"
#include "support/wav_bytes.h"

using testing_support::allocation_count_during;
using testing_support::largest_allocation_during;

namespace {

using testing_support::pcm16;
using testing_support::put32;
using testing_support::riff_chunk;
using testing_support::riff_wave;
using testing_support::TempDir;
using testing_support::WavFormat;
using testing_support::write_file;
using namespace std::string_literals;

std::vector<std::uint8_t> as_bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

// Reads bytes written to a scratch file.
bool read_bytes(const std::string& bytes, WavSound& out)
{
    TempDir tmp;
    write_file(tmp.file("sound.wav"), bytes);
    return wav_read(tmp.file("sound.wav"), out);
}

TEST(WavReader, ReadsThePlainLayout)
{
    const std::string samples = pcm16({0, 1000, -1000, 32767, -32768});
    WavSound sound;
    ASSERT_TRUE(read_bytes(riff_wave(WavFormat{}.bytes() + riff_chunk("data", samples)), sound));
    EXPECT_EQ(sound.channels, 1);
    EXPECT_EQ(sound.sample_rate, 22050);
    EXPECT_EQ(sound.bits_per_sample, 16);
    EXPECT_EQ(sound.block_align, 2);
    EXPECT_EQ(sound.data, as_bytes(samples));

    const std::string bytes8 = "\x80\xFF\x00\x01\x7F\x80"s;
    ASSERT_TRUE(read_bytes(
        riff_wave(WavFormat{.channels = 2, .rate = 11025, .bits = 8, .block_align = 2}.bytes() +
                  riff_chunk("data", bytes8)),
        sound));
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.sample_rate, 11025);
    EXPECT_EQ(sound.bits_per_sample, 8);
    EXPECT_EQ(sound.data, as_bytes(bytes8));
}

TEST(WavReader, TheRiffHeaderIsNotExamined)
{
    // The RIFF size is wrong either way, and the identifiers are not "RIFF"/"WAVE".
    const std::string chunks = WavFormat{}.bytes() + riff_chunk("data", pcm16({5, 6}));
    for (std::uint32_t riff_size : {0u, 3u, 0xFFFFFFFFu}) {
        std::string file = "JUNK";
        put32(file, riff_size);
        file += "XXXX" + chunks;
        WavSound sound;
        EXPECT_TRUE(read_bytes(file, sound)) << riff_size;
        EXPECT_EQ(sound.data, as_bytes(pcm16({5, 6})));
    }
}

TEST(WavReader, AnyFormatChunkNotOfSize16IsTakenAsThe30ByteOne)
{
    const std::string data = riff_chunk("data", pcm16({1, 2, 3}));
    WavSound sound;

    // The extended chunk: 16 format bytes and 14 more, which are skipped.
    const std::string extension(14, '\x55');
    ASSERT_TRUE(read_bytes(
        riff_wave(WavFormat{.chunk_size = 30, .extension = extension}.bytes() + data), sound));
    EXPECT_EQ(sound.data, as_bytes(pcm16({1, 2, 3})));

    // The declared size itself is not used: with 14 bytes following, size 0 reads the same.
    ASSERT_TRUE(read_bytes(
        riff_wave(WavFormat{.chunk_size = 0, .extension = extension}.bytes() + data), sound));
    EXPECT_EQ(sound.data, as_bytes(pcm16({1, 2, 3})));

    // An 18-byte chunk (an empty extension size) followed directly by "data": the 14 skipped
    // bytes reach into the data chunk's header, so the file does not load. The same file with
    // the plain 16-byte chunk does.
    const std::string cb_size = pcm16({0});
    sound.data = {9};
    EXPECT_FALSE(read_bytes(
        riff_wave(WavFormat{.chunk_size = 18, .extension = cb_size}.bytes() + data), sound));
    EXPECT_TRUE(sound.data.empty());
    EXPECT_TRUE(read_bytes(riff_wave(WavFormat{}.bytes() + data), sound));

    // The 40-byte extensible chunk skips 14 of its 24 extra bytes and lands inside them.
    EXPECT_FALSE(read_bytes(
        riff_wave(WavFormat{.chunk_size = 40, .extension = std::string(24, '\0')}.bytes() + data),
        sound));
}

TEST(WavReader, SkipsAFactChunkBeforeTheData)
{
    std::string fact_body;
    put32(fact_body, 3);  // sample count
    const std::string format =
        WavFormat{.chunk_size = 30, .extension = std::string(14, '\0')}.bytes();
    WavSound sound;
    ASSERT_TRUE(read_bytes(
        riff_wave(format + riff_chunk("fact", fact_body) + riff_chunk("data", pcm16({7, 8, 9}))),
        sound));
    EXPECT_EQ(sound.data, as_bytes(pcm16({7, 8, 9})));

    // Its body is skipped by the size it declares, whatever that is.
    ASSERT_TRUE(
        read_bytes(riff_wave(WavFormat{}.bytes() + riff_chunk("fact", std::string(11, 'd')) +
                             riff_chunk("data", pcm16({4}))),
                   sound));
    EXPECT_EQ(sound.data, as_bytes(pcm16({4})));

    // Only one "fact" chunk is skipped; the chunk after it must be "data".
    EXPECT_FALSE(
        read_bytes(riff_wave(WavFormat{}.bytes() + riff_chunk("fact", fact_body) +
                             riff_chunk("fact", fact_body) + riff_chunk("data", pcm16({4}))),
                   sound));
}

TEST(WavReader, KeepsTheWholeFramesOfADataChunk)
{
    // Stereo 16-bit: 4 bytes a frame; 10 bytes declared and present leave 2 whole frames.
    const std::string bytes = pcm16({1, 2, 3, 4, 5});
    WavSound sound;
    ASSERT_TRUE(read_bytes(
        riff_wave(WavFormat{.channels = 2, .block_align = 4}.bytes() + riff_chunk("data", bytes)),
        sound));
    EXPECT_EQ(sound.data, as_bytes(pcm16({1, 2, 3, 4})));

    // Whatever follows the data chunk is not read.
    ASSERT_TRUE(read_bytes(riff_wave(WavFormat{}.bytes() + riff_chunk("data", pcm16({6})) +
                                     riff_chunk("LIST", std::string(20, 'x'))),
                           sound));
    EXPECT_EQ(sound.data, as_bytes(pcm16({6})));
}

TEST(WavReader, HostileFilesFailWithoutHarm)
{
    const std::string fmt = WavFormat{}.bytes();
    const std::string some_data = riff_chunk("data", pcm16({1, 2, 3, 4}));
    auto fmt_with = [](WavFormat f) { return f.bytes(); };
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::string full = riff_wave(fmt + some_data);
    const Case cases[] = {
        {"empty file", ""},
        {"35 bytes", full.substr(0, 35)},
        {"header only", full.substr(0, 36)},
        {"half a chunk header", full.substr(0, 40)},
        {"truncated data", full.substr(0, full.size() - 1)},
        {"missing data chunk", riff_wave(fmt + riff_chunk("LIST", pcm16({1, 2, 3, 4})))},
        {"data size past the end", riff_wave(fmt + riff_chunk("data", 1000, pcm16({1, 2})))},
        {"data size 0xFFFFFFFF", riff_wave(fmt + riff_chunk("data", 0xFFFFFFFF, pcm16({1, 2})))},
        {"data size 256 MiB", riff_wave(fmt + riff_chunk("data", 256u << 20, pcm16({1, 2})))},
        {"data size 0", riff_wave(fmt + riff_chunk("data", 0, pcm16({1, 2})))},
        {"less than one frame", riff_wave(fmt + riff_chunk("data", 1, pcm16({1, 2})))},
        {"fact size 0xFFFFFFFF", riff_wave(fmt + riff_chunk("fact", 0xFFFFFFFF, "") + some_data)},
        {"fact size past the end",
         riff_wave(fmt + riff_chunk("fact", 256u << 20, "abcd") + some_data)},
        {"fact then nothing", riff_wave(fmt + riff_chunk("fact", "abcd"))},
        {"channels 0", riff_wave(fmt_with({.channels = 0, .block_align = 0}) + some_data)},
        {"channels 9", riff_wave(fmt_with({.channels = 9, .block_align = 18}) + some_data)},
        {"channels 65535",
         riff_wave(fmt_with({.channels = 65535, .block_align = 65534}) + some_data)},
        {"rate 0", riff_wave(fmt_with({.rate = 0}) + some_data)},
        {"rate 999", riff_wave(fmt_with({.rate = 999}) + some_data)},
        {"rate 192001", riff_wave(fmt_with({.rate = 192001}) + some_data)},
        {"rate 0xFFFFFFFF", riff_wave(fmt_with({.rate = 0xFFFFFFFF}) + some_data)},
        {"bits 0", riff_wave(fmt_with({.bits = 0}) + some_data)},
        {"bits 24", riff_wave(fmt_with({.bits = 24, .block_align = 3}) + some_data)},
        {"bits 32", riff_wave(fmt_with({.bits = 32, .block_align = 4}) + some_data)},
        {"bits 65535", riff_wave(fmt_with({.bits = 65535}) + some_data)},
        {"block alignment 0", riff_wave(fmt_with({.block_align = 0}) + some_data)},
        {"block alignment 4 for mono 16-bit", riff_wave(fmt_with({.block_align = 4}) + some_data)},
        {"block alignment 65535", riff_wave(fmt_with({.block_align = 65535}) + some_data)},
    };
    for (const Case& c : cases) {
        WavSound sound{.channels = 3,
                       .sample_rate = 5,
                       .bits_per_sample = 8,
                       .block_align = 3,
                       .data = {1, 2, 3}};
        bool loaded = true;
        const std::size_t largest =
            largest_allocation_during([&] { loaded = read_bytes(c.bytes, sound); });
        EXPECT_FALSE(loaded) << c.what;
        EXPECT_EQ(sound.channels, 0) << c.what;
        EXPECT_EQ(sound.sample_rate, 0) << c.what;
        EXPECT_EQ(sound.bits_per_sample, 0) << c.what;
        EXPECT_EQ(sound.block_align, 0) << c.what;
        EXPECT_TRUE(sound.data.empty()) << c.what;
        EXPECT_LT(largest, 64u * 1024) << c.what;
    }
}

TEST(WavReader, WhatIsNotARegularFileFails)
{
    TempDir tmp;
    WavSound sound;
    EXPECT_FALSE(wav_read(tmp.file("missing.wav"), sound));
    EXPECT_FALSE(wav_read(tmp.path(), sound));
    EXPECT_FALSE(wav_read("/dev/zero", sound));
    EXPECT_TRUE(sound.data.empty());
}

}  // namespace
