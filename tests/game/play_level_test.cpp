// Tests for the level play loop on the offscreen display: the four outcomes, the pacing of
// falling objects, the time limit, what the level's host does for the rules (the quota flash,
// the sounds, the save screen's standing clock), and one captured frame of the first shipped
// level. Levels
// are small Level.ini files in a scratch directory; keys come from a scripted keyboard that a
// clock observer changes frame by frame; the virtual clock makes the waits instant.
#include "game/play_level.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frame.h"
#include "core/rt_array.h"
#include "game/game_state.h"
#include "game/game_test_support.h"
#include "game/keys.h"
#include "graphics/display.h"
#include "graphics/png_writer.h"
#include "graphics/sprites.h"
#include "platform/clock.h"
#include "sound/sound.h"
#include "support/temp_dir.h"

// The save screen's test double: counts its openings, lets go of the save key and takes as
// much level time as a player choosing a slot would.
int save_screen_calls = 0;
void load_save_screen(double)
{
    ++save_screen_calls;
    GameScreenTest::keys[static_cast<int>(game().MySave)] = 0;
    platform::clock_advance_us(5'000'000);
}

namespace {

using testing_support::ScopedChdir;
using testing_support::TempDir;
using testing_support::write_file;

// What the clock observer saw: one frame per increment of the pacing counter.
struct Watch {
    int frames = 0;
    double last_counter = 0;
    int capture_frame = 0;  // read the back buffer in this frame, after the field is drawn
    std::vector<std::uint8_t> capture;
    int esc_from_frame = 0;  // hold MyESC from this frame's key poll on
    double stone_x = -1, stone_y = -1;
    int stone_arrived = 0;  // frame in which a stone first showed up at (stone_x, stone_y)
    // The arrow held in each pass ('R', 'L', 'U', 'D', '.'): the first pass's is held before
    // play starts, each later one is set once the pass before has read its keys.
    std::string plan;
    double plan_due_ms = -1;
    std::vector<double> frame_ms;  // when each frame's pass polled its keys
    // While listening: the frame in which effect slots 1, 2 and 4 were first heard; 0 never.
    bool listening = false;
    int heard[5] = {};
} watch;

void listen_for_effects()
{
    bool all_heard = true;
    for (const int slot : {1, 2, 4}) {
        if (watch.heard[slot] == 0 && sound_is_playing(slot * 256) == 1)
            watch.heard[slot] = watch.frames;
        all_heard = all_heard && watch.heard[slot] != 0;
    }
    watch.listening = !all_heard;
}

void hold_arrow(char arrow)
{
    for (const auto& [name, key] : {std::pair{'R', key_right}, std::pair{'L', key_left},
                                    std::pair{'U', key_up}, std::pair{'D', key_down}}) {
        GameScreenTest::keys[static_cast<int>(key)] = name == arrow ? 0x80 : 0;
    }
}

void observe(double now)
{
    GameState& g = game();
    if (watch.plan_due_ms >= 0 && now >= watch.plan_due_ms) {
        watch.plan_due_ms = -1;
        if (static_cast<std::size_t>(watch.frames) < watch.plan.size())
            hold_arrow(watch.plan[static_cast<std::size_t>(watch.frames)]);
    }
    if (watch.stone_arrived == 0 && watch.stone_x >= 0 &&
        rt_array_bounds(g.map, 0) > watch.stone_x && rt_array_bounds(g.map, 1) > watch.stone_y &&
        rt_num_array_at(g.map, watch.stone_x, watch.stone_y) == sp_stein)
        watch.stone_arrived = watch.frames;
    if (watch.listening) listen_for_effects();
    if (g.move_player == watch.last_counter) return;
    watch.last_counter = g.move_player;
    if (g.move_player == 0) return;
    // player_step has just counted up and is polling the keys: the frame is drawn.
    ++watch.frames;
    watch.frame_ms.push_back(now);
    if (watch.frames == watch.capture_frame) screen_read_pixels(watch.capture);
    if (watch.esc_from_frame != 0 && watch.frames >= watch.esc_from_frame)
        GameScreenTest::keys[static_cast<int>(g.MyESC)] = 0x80;
    watch.plan_due_ms = now + 0.3;  // after this pass's key poll (256 readings of 1 us)
}

class PlayLevel : public GameScreenTest {
protected:
    static void SetUpTestSuite()
    {
        GameScreenTest::SetUpTestSuite();
        sound_use_virtual_clock(nullptr);
        sound_device_init();
        const std::string sound = std::string(BRILLOX_DATA_DIR) + "/sound/";
        for (const auto& [slot, file] :
             {std::pair{1, "stein.wav"}, std::pair{2, "fanfare.wav"}, std::pair{4, "gong.wav"}})
            ASSERT_EQ(sound_load((sound + file).c_str(), slot, 1), 1) << file;
    }
    static void TearDownTestSuite() { sound_device_release(); }

    void SetUp() override
    {
        GameScreenTest::SetUp();
        GameState& g = game();
        g.limit_fps = 30, g.speed = 3, g.geschwindigkeit = 3, g.anz_leben = 3;
        g.sp_verz_Str = (std::string(BRILLOX_BUILD_DIR) + "/show//").c_str();
        g.richtung = 0;
        rt_num_array_dim(g.map, 1, 1);
        g.move_player = 0;
        watch = Watch{};
        rt_reset_frame_timers();  // a fresh deadline grid, as after start-up
        platform::clock_set_observer(observe);
        chdir_ = new ScopedChdir(dir_.path());
    }
    void TearDown() override
    {
        delete chdir_;
        platform::clock_set_observer(nullptr);
        GameScreenTest::TearDown();
    }

    // One level as level_1 of a fresh Level.ini; rows use the level file's letters.
    void level(double zeit, const std::vector<std::string>& rows)
    {
        std::string ini = "[game]\nlevel=1\n[level_1]\nx=" + std::to_string(rows[0].size()) +
                          "\ny=" + std::to_string(rows.size()) + "\nzeit=" + std::to_string(zeit) +
                          "\nbrillox=0\n";
        for (std::size_t r = 0; r < rows.size(); ++r)
            ini += std::to_string(r + 1) + "=|" + rows[r] + "\n";
        write_file(dir_.file("Level.ini"), ini);
    }

    static void hold(double key) { keys[static_cast<int>(key)] = 0x80; }

    TempDir dir_;
    ScopedChdir* chdir_ = nullptr;
};

TEST_F(PlayLevel, CollectingTheQuotaAndWalkingIntoTheExitCompletesTheLevel)
{
    level(0, {"*****", "*PDZ*", "*****"});
    hold(key_right);
    EXPECT_EQ(play_level(1), outcome_complete);
    EXPECT_EQ(game().brillox_found, 1);
    EXPECT_EQ(game().rest_zeit, 0);  // no time limit
    EXPECT_EQ(watch.frames, 2);      // the Brillox in the first frame, the exit in the second
}

TEST_F(PlayLevel, ObjectsFallEverySpeedTimesDifficultyPlusOneFramesAndCrush)
{
    // Stepping down from under the stone sets it moving; it falls into the cell he left at the
    // first pacing step and lands on him at the second.
    for (const auto& [speed, difficulty] : {std::pair{1.0, 3.0}, std::pair{3.0, 2.0}}) {
        SCOPED_TRACE(testing::Message() << "speed " << speed << ", difficulty " << difficulty);
        level(0, {"*****", "*.S.*", "*.P.*", "*D.Z*", "*****"});
        game().speed = speed, game().geschwindigkeit = difficulty;
        game().move_player = 0;
        watch = Watch{};
        watch.stone_x = 2, watch.stone_y = 2;
        keys.fill(0);
        hold(key_down);
        const int every = static_cast<int>(speed * difficulty) + 1;
        EXPECT_EQ(play_level(1), outcome_life_lost);
        EXPECT_EQ(watch.stone_arrived, every);
        EXPECT_EQ(watch.frames, 2 * every);
        // The explosion emptied the block around the player, walls included.
        EXPECT_EQ(rt_num_array_at(game().map, 2, 4), sp_black);
        EXPECT_EQ(rt_num_array_at(game().map, 2, 3), sp_black);
    }
}

TEST_F(PlayLevel, ACrushInTheSameFrameBeatsWalkingIntoTheExit)
{
    // He collects the Brillox, walks under the stone and out again, which sets it moving;
    // it drops into the cell above the exit in pass 10 and meets him there in pass 20, the
    // pass in which he walks into the open exit.
    level(10, {"*******", "*..S..*", "*P....*", "*D.Z..*", "*******"});
    hold(key_down);
    watch.plan = std::string("DURRRD") + std::string(13, '.') + "L";
    EXPECT_EQ(play_level(1), outcome_life_lost);
    EXPECT_EQ(watch.frames, 20);
}

TEST_F(PlayLevel, TheQuotaFlashesForFiftyMillisecondsAndTheEffectsSound)
{
    // Objects move every second frame: the stone he leaves falls in pass 2 and lands in pass 4,
    // the pass in which he walks into the exit; the Brillox in pass 3 meets the quota.
    level(0, {"******", "*S.DZ*", "*P...*", "******"});
    game().speed = 1, game().geschwindigkeit = 1;
    hold(key_right);
    watch.plan = "RURR";
    watch.listening = true;
    EXPECT_EQ(play_level(1), outcome_complete);
    ASSERT_EQ(watch.frame_ms.size(), 4u);
    const double usual_pass = watch.frame_ms[2] - watch.frame_ms[1];
    // The white frame of the flash is shown and stays up 50 ms before the pass's own frame.
    EXPECT_GE(watch.frame_ms[3] - watch.frame_ms[2], usual_pass + 50);
    EXPECT_EQ(watch.heard[2], 3);  // the fanfare
    EXPECT_EQ(watch.heard[4], 4);  // the gong of the exit
    EXPECT_EQ(watch.heard[1], 4);  // the landing stone
}

TEST_F(PlayLevel, TheSaveScreenDuringPlayCostsNoLevelTime)
{
    // The save screen takes 5 s of a 3 s limit; the level still runs its 3 s afterwards.
    level(3, {"*****", "*PDZ*", "*****"});
    game().MySave = 31;
    save_screen_calls = 0;
    hold(game().MySave);
    EXPECT_EQ(play_level(1), outcome_life_lost);
    EXPECT_EQ(save_screen_calls, 1);
    EXPECT_GE(watch.frames, 88);
    EXPECT_LE(watch.frames, 92);
}

TEST_F(PlayLevel, TheGiveUpKeyEndsTheAttemptAsGivenUp)
{
    level(0, {"*****", "*PDZ*", "*****"});
    hold(game().MyESC);
    EXPECT_EQ(play_level(1), outcome_gave_up);
    EXPECT_EQ(watch.frames, 1);
}

TEST_F(PlayLevel, RunningOutOfTimeCostsALife)
{
    level(1, {"*****", "*PDZ*", "*****"});
    EXPECT_EQ(play_level(1), outcome_life_lost);
    EXPECT_EQ(game().rest_zeit, 0);
    // About one second at 30 frames a second; the frame that reaches the limit is not played.
    EXPECT_GE(watch.frames, 30);
    EXPECT_LE(watch.frames, 32);
}

TEST_F(PlayLevel, AMissingLevelFileIsReportedAndGivesOutcomeFive)
{
    EXPECT_EQ(press_start_and_run([] { return play_level(1); }), outcome_load_failed);
    EXPECT_EQ(watch.frames, 0);
}

TEST_F(PlayLevel, AFrameOfTheFirstLevelShowsTheHudAndTheField)
{
    ScopedChdir build(BRILLOX_BUILD_DIR);
    GameState& g = game();
    g.sp_verz_Str = "show//";
    const std::pair<double, const char*> sprites[] = {
        {100, "mauer.bmp"},     {101, "frei.bmp"},     {102, "stein.bmp"},
        {103, "brillox.bmp"},   {107, "black.bmp"},    {108, "ziel.bmp"},
        {110, "player01.bmp"},  {115, "player_r.bmp"}, {116, "player_l.bmp"},
        {120, "brillox_a.bmp"}, {121, "uhr.bmp"},      {300, "sound_off.bmp"},
        {301, "sound_on.bmp"}};
    for (const auto& [id, file] : sprites) sprite_load(g.sp_verz_Str + file, id);

    hold(key_right);
    watch.capture_frame = 4;
    watch.esc_from_frame = 4;
    EXPECT_EQ(play_level(1), outcome_gave_up);
    ASSERT_EQ(watch.capture.size(), 640u * 480u * 3u);
    EXPECT_TRUE(png_write_rgb(::testing::TempDir() + "play_level_frame.png", 640, 480,
                              watch.capture.data()));
    // The Brillox icon of the HUD is not black; the field fills the rows below the strip.
    auto pixel_sum = [&](int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * 640 + x) * 3;
        return watch.capture[i] + watch.capture[i + 1] + watch.capture[i + 2];
    };
    EXPECT_GT(pixel_sum(16, 16), 0);
    EXPECT_GT(pixel_sum(16, 32 + 16), 0);  // the wall ring's top-left cell
    EXPECT_GT(pixel_sum(624, 464), 0);     // its bottom-right cell
}

}  // namespace
