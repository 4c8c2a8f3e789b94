// Hostile sounds: every file of the WAV fuzz corpus (the game's own sound, hand-made hostile
// layouts and the crash inputs kept as regressions) either loads as whole frames of a format
// the mixer plays, no more bytes than the file holds, or fails with the sound left empty and
// nothing allocated for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "sound/wav_reader.h"
#include "support/allocation_tracker.h"

namespace {

using testing_support::largest_allocation_during;

TEST(HostileWav, EveryFuzzCorpusFileLoadsPlayableFramesOrFailsCleanly)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(BRILLOX_FUZZ_CORPUS "/wav"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 20u);

    int loaded_count = 0;
    for (const auto& path : files) {
        const std::string what = path.filename().string();
        WavSound sound{.channels = 3,
                       .sample_rate = 5,
                       .bits_per_sample = 8,
                       .block_align = 3,
                       .data = {1, 2, 3}};
        bool loaded = false;
        const std::size_t largest =
            largest_allocation_during([&] { loaded = wav_read(path.string(), sound); });
        EXPECT_LE(largest, std::max<std::uintmax_t>(64 << 10, std::filesystem::file_size(path)))
            << what;
        if (!loaded) {
            EXPECT_EQ(sound.channels, 0) << what;
            EXPECT_EQ(sound.block_align, 0) << what;
            EXPECT_TRUE(sound.data.empty()) << what;
            continue;
        }
        ++loaded_count;
        EXPECT_TRUE(sound.bits_per_sample == 8 || sound.bits_per_sample == 16) << what;
        EXPECT_EQ(sound.block_align, sound.channels * sound.bits_per_sample / 8) << what;
        EXPECT_FALSE(sound.data.empty()) << what;
        EXPECT_EQ(sound.data.size() % sound.block_align, 0u) << what;
        EXPECT_LE(sound.data.size() + 44, std::filesystem::file_size(path)) << what;
    }
    EXPECT_GE(loaded_count, 3);  // the plain layouts among them do load
}

}  // namespace
