// The game's screens drawn with sprite batching and without it must be the same to the last
// pixel: the real brillox program plays one script twice in scripted mode, once as it starts
// and once with BRILLOX_SPRITE_BATCHING=0, and the captured frames of the title, the menu, the
// highscore table, a level in play and the death sequence are compared, as are the traces.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/png_picture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::read_png;
using testing_support::RgbPicture;
using testing_support::TempDir;
using testing_support::write_file;

const char* const captures[] = {"title",  "menu",   "highscores", "play",
                                "walked", "death1", "death2"};

// From the title through the menu and the highscore table into the first shipped level: walk
// right and down, then give up and watch the explosion.
const char* const script =
    "wait 300\ncapture title.png\ntap Enter\nwait 300\ncapture menu.png\n"
    "tap Down\nwait 100\ntap Down\nwait 100\ntap Down\nwait 100\n"
    "tap Enter  # the highscore table\nwait 300\ncapture highscores.png\ntap Enter\nwait 300\n"
    "tap Up\nwait 100\ntap Up\nwait 100\ntap Up\nwait 100\n"
    "tap Enter  # level 1\nwait 500\ncapture play.png\n"
    "down Right\nwait 400\nup Right\ndown Down\nwait 300\nup Down\ncapture walked.png\n"
    "down Escape\nwait 250\ncapture death1.png\nwait 300\ncapture death2.png\nup Escape\n"
    "wait 3000\n";

class BatchedScreens : public testing::Test {
protected:
    // Plays the script in a fresh copy of the game; the trace comes back.
    std::string play(TempDir& game, TempDir& start, bool batched)
    {
        fs::copy(BRILLOX_DATA_DIR, game.path(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        fs::copy_file(BRILLOX_GAME, game.file("brillox"));
        fs::permissions(game.file("brillox"), fs::perms::owner_all, fs::perm_options::add);
        write_file(start.file("script.txt"), script);
        std::vector<std::string> env = {"TMPDIR=" + tmp_.path()};
        if (!batched) env.push_back("BRILLOX_SPRITE_BATCHING=0");
        const testing_support::ProgramOutcome outcome = testing_support::run_program(
            game.file("brillox"), {"--script", "script.txt", "--trace", "trace.txt"}, start.path(),
            env);
        EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
        return read_file(start.file("trace.txt"));
    }

    TempDir tmp_;
};

TEST_F(BatchedScreens, TitleMenuTablePlayAndDeathLookTheSameBothWays)
{
    TempDir game_alone, start_alone, game_batched, start_batched;
    const std::string trace_alone = play(game_alone, start_alone, false);
    const std::string trace_batched = play(game_batched, start_batched, true);
    EXPECT_EQ(trace_batched, trace_alone);
    EXPECT_NE(trace_batched.find("level_end 1 3"), std::string::npos)
        << "the level was not given up";

    for (const char* name : captures) {
        SCOPED_TRACE(name);
        const RgbPicture alone = read_png(start_alone.file(std::string(name) + ".png"));
        const RgbPicture batched = read_png(start_batched.file(std::string(name) + ".png"));
        ASSERT_GT(alone.width, 0);
        ASSERT_EQ(batched.width, alone.width);
        ASSERT_EQ(batched.height, alone.height);
        std::size_t differing = 0;
        for (std::size_t i = 0; i < alone.rgb.size(); i += 3) {
            if (!std::equal(&alone.rgb[i], &alone.rgb[i] + 3, &batched.rgb[i])) ++differing;
        }
        EXPECT_EQ(differing, 0u);
        // Frames that show nothing would prove nothing: every capture has a picture in it.
        std::size_t lit = 0;
        for (std::size_t i = 0; i < batched.rgb.size(); i += 3) lit += batched.rgb[i + 1] > 40;
        EXPECT_GT(lit, 10000u);
    }
    // Each capture is a different frame.
    EXPECT_NE(read_file(start_batched.file("play.png")),
              read_file(start_batched.file("walked.png")));
    EXPECT_NE(read_file(start_batched.file("death1.png")),
              read_file(start_batched.file("death2.png")));
}

}  // namespace
