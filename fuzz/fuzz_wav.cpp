// Fuzz target for the WAV reader: any bytes either load as whole frames of a format the mixer
// plays, taken from the file itself, or fail leaving the sound empty.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "sound/wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::write_input("input.wav", data, size);
    WavSound sound{
        .channels = 3, .sample_rate = 5, .bits_per_sample = 8, .block_align = 3, .data = {1, 2, 3}};
    if (!wav_read(path, sound)) {
        FUZZ_CHECK(sound.channels == 0 && sound.sample_rate == 0 && sound.bits_per_sample == 0);
        FUZZ_CHECK(sound.block_align == 0 && sound.data.empty());
        return 0;
    }
    FUZZ_CHECK(sound.channels >= 1 && sound.channels <= 8);
    FUZZ_CHECK(sound.sample_rate >= 1000 && sound.sample_rate <= 192000);
    FUZZ_CHECK(sound.bits_per_sample == 8 || sound.bits_per_sample == 16);
    FUZZ_CHECK(sound.block_align == sound.channels * sound.bits_per_sample / 8);
    FUZZ_CHECK(!sound.data.empty() && sound.data.size() % sound.block_align == 0);
    FUZZ_CHECK(sound.data.size() + 44 <= size);  // the headers before the data take at least 44
    return 0;
}
