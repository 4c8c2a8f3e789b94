// The game's screens drawn with sprite batching and without it must be the same to the last
// pixel: the real brillox program plays one script twice in scripted mode, once as it starts
// and once with BRILLOX_SPRITE_BATCHING=0, and the captured frames of the title, the menu, the
// highscore table, a level in play and the death sequence are compared, as are the traces.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/png_picture.h"
#include "support/scripted_game.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::read_png;
using testing_support::RgbPicture;
using testing_support::ScriptedGame;

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

TEST(BatchedScreens, TitleMenuTablePlayAndDeathLookTheSameBothWays)
{
    ScriptedGame game_alone(BRILLOX_GAME, BRILLOX_DATA_DIR);
    ScriptedGame game_batched(BRILLOX_GAME, BRILLOX_DATA_DIR);
    const std::string trace_alone = game_alone.play(script, {"BRILLOX_SPRITE_BATCHING=0"});
    const std::string trace_batched = game_batched.play(script);
    EXPECT_EQ(trace_batched, trace_alone);
    EXPECT_NE(trace_batched.find("level_end 1 3"), std::string::npos)
        << "the level was not given up";

    for (const char* name : captures) {
        SCOPED_TRACE(name);
        const RgbPicture alone = read_png(game_alone.start_file(std::string(name) + ".png"));
        const RgbPicture batched = read_png(game_batched.start_file(std::string(name) + ".png"));
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
    EXPECT_NE(read_file(game_batched.start_file("play.png")),
              read_file(game_batched.start_file("walked.png")));
    EXPECT_NE(read_file(game_batched.start_file("death1.png")),
              read_file(game_batched.start_file("death2.png")));
}

}  // namespace
