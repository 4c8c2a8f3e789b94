// Tests for the playfield rules on small fields drawn as pictures: digging, pushing, falling,
// crushing, rolling, collecting with the quota, the exit, and the falling list's ordering
// quirks. The rules run headless: a recording host stands in for the game's key poll, save
// screen, sounds and flash, and tells in which order the rules asked for them.
#include "game/playfield.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/rt_array.h"
#include "game/game_state.h"
#include "game/keys.h"

namespace {

constexpr double key_save = 31, key_music = 50;

// Records what the rules ask for. Its key poll leaves the keys in held now down (down at this
// poll and the one before, as a key the player holds reads at the frame's second poll) and
// every other key up.
class RecordingHost : public PlayfieldHost {
public:
    void poll_keys() override
    {
        calls.push_back("poll");
        for (double k = 0; k < 256; ++k) {
            const bool down = std::find(held.begin(), held.end(), k) != held.end();
            rt_num_array_at(game().gKeyState, k) = down ? key_held : key_not_down;
        }
    }
    void open_save_screen() override { calls.push_back("save"); }
    void toggle_sound() override { calls.push_back("sound"); }
    void quota_reached() override { calls.push_back("quota"); }
    void exit_entered() override { calls.push_back("exit"); }
    void object_landed() override { calls.push_back("landed"); }

    long count(const std::string& call) const
    {
        return std::count(calls.begin(), calls.end(), call);
    }

    std::vector<double> held;
    std::vector<std::string> calls;
};

// Field pictures: * wall, # earth, S stone, B Brillox, . empty, X exit, P player.
double cell_value(char c)
{
    switch (c) {
        case '*':
            return sp_mauer;
        case '#':
            return sp_frei;
        case 'S':
            return sp_stein;
        case 'B':
            return sp_brillox;
        case 'X':
            return sp_ziel;
        case 'P':
            return sp_player;
        default:
            return sp_black;
    }
}

char cell_char(double v)
{
    if (v == sp_mauer) return '*';
    if (v == sp_frei) return '#';
    if (v == sp_stein) return 'S';
    if (v == sp_brillox) return 'B';
    if (v == sp_ziel) return 'X';
    if (v == sp_player) return 'P';
    if (v == sp_black) return '.';
    return '?';
}

struct Falling {
    double x, y, value, landed;
    bool operator==(const Falling&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Falling& f)
{
    return os << "(" << f.x << ", " << f.y << ", " << f.value << ", " << f.landed << ")";
}

class Playfield : public testing::Test {
protected:
    void SetUp() override
    {
        GameState& g = game();
        g.MySave = key_save;
        g.MyMusic = key_music;
        g.music_on = 1;
        g.music_key_down = 0;
        g.min_brillox = 0;
        g.brillox_found = 0;
        g.move_player = 0;
        g.keine_taste = 0;
        g.richtung = 0;
        rt_num_array_dim(g.f_steine, 0, 4);
        rt_num_array_dim(g.gKeyDown, 256);
        rt_num_array_dim(g.gKeyState, 256);
        host = RecordingHost{};
        set_playfield_host(&host);
    }
    void TearDown() override { set_playfield_host(nullptr); }

    static void field(const std::vector<std::string>& rows)
    {
        GameState& g = game();
        g.max_x = static_cast<double>(rows[0].size());
        g.max_y = static_cast<double>(rows.size());
        rt_num_array_dim(g.map, g.max_x, g.max_y);
        for (std::size_t y = 0; y < rows.size(); ++y) {
            for (std::size_t x = 0; x < rows[y].size(); ++x) {
                rt_num_array_at(g.map, x, y) = cell_value(rows[y][x]);
                if (rows[y][x] == 'P') {
                    g.player_posx = static_cast<double>(x);
                    g.player_posy = static_cast<double>(y);
                }
            }
        }
    }

    static std::vector<std::string> picture()
    {
        const GameState& g = game();
        std::vector<std::string> rows;
        for (double y = 0; y < g.max_y; ++y) {
            std::string row;
            for (double x = 0; x < g.max_x; ++x) row += cell_char(cell_at(x, y));
            rows.push_back(row);
        }
        return rows;
    }

    static std::vector<Falling> falling_list()
    {
        rt_num_array& f = game().f_steine;
        std::vector<Falling> rows;
        for (double i = 0; i < rt_array_bounds(f, 0); ++i) {
            rows.push_back({rt_num_array_at(f, i, 0), rt_num_array_at(f, i, 1),
                            rt_num_array_at(f, i, 2), rt_num_array_at(f, i, 3)});
        }
        return rows;
    }

    static void set_falling(const std::vector<Falling>& rows)
    {
        rt_num_array& f = game().f_steine;
        rt_num_array_dim(f, static_cast<double>(rows.size()), 4);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            rt_num_array_at(f, i, 0) = rows[i].x;
            rt_num_array_at(f, i, 1) = rows[i].y;
            rt_num_array_at(f, i, 2) = rows[i].value;
            rt_num_array_at(f, i, 3) = rows[i].landed;
        }
    }

    // player_step with these keys held at its poll; no key at all without arguments.
    double step(std::initializer_list<double> keys = {})
    {
        host.held = keys;
        return player_step(game().player_posx, game().player_posy);
    }
    double step(double key) { return step({key}); }

    RecordingHost host;
};

TEST_F(Playfield, WalkingDigsATunnelAndWallsTurnThePlayerWithoutMoving)
{
    field({
        "*****",
        "*P##*",
        "*****",
    });
    EXPECT_EQ(step(key_right), 0);
    EXPECT_EQ(step(key_right), 0);
    EXPECT_EQ(picture(), (std::vector<std::string>{"*****", "*..P*", "*****"}));
    EXPECT_EQ(step(key_right), 0);
    EXPECT_EQ(game().player_posx, 3);
    EXPECT_EQ(game().richtung, 1);
    EXPECT_EQ(game().move_player, 3);
    EXPECT_TRUE(falling_list().empty());
}

TEST_F(Playfield, ALaterArrowKeyWinsAndNoKeyCountsIdleFrames)
{
    field({
        "*****",
        "*.P.*",
        "*...*",
        "*****",
    });
    step({key_right, key_down});  // down is tested after right
    EXPECT_EQ(game().player_posx, 2);
    EXPECT_EQ(game().player_posy, 2);
    step();
    step();
    EXPECT_EQ(game().keine_taste, 2);
    EXPECT_EQ(game().richtung, 0);
    step(key_left);
    EXPECT_EQ(game().keine_taste, 0);
}

TEST_F(Playfield, TheSaveAndSoundKeysActInsideTheStep)
{
    field({
        "***",
        "*P*",
        "***",
    });
    step(key_save);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"poll", "save"}));
    step(key_music);
    EXPECT_EQ(host.count("sound"), 1);
    step(key_music);  // still down: the switch comes once per press
    step();
    step(key_music);
    EXPECT_EQ(host.count("sound"), 2);
    EXPECT_EQ(host.count("save"), 1);
}

TEST_F(Playfield, TheStepReadsTheKeysOfItsOwnPoll)
{
    field({
        "*****",
        "*.P.*",
        "*****",
    });
    // Down at the frame's first poll, up again at the step's own: he stays.
    rt_num_array_at(game().gKeyState, key_right) = key_held;
    step();
    EXPECT_EQ(game().player_posx, 2);
    step(key_left);
    EXPECT_EQ(game().player_posx, 1);
}

TEST_F(Playfield, TheHostIsAskedInTheOrderOfTheRules)
{
    field({
        "******",
        "*PBX.*",
        "******",
    });
    game().min_brillox = 1;
    step({key_right, key_save, key_music});
    EXPECT_EQ(host.calls, (std::vector<std::string>{"poll", "save", "sound", "quota"}));
    host.calls.clear();
    EXPECT_EQ(step(key_right), 1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"poll", "exit"}));
}

TEST(PlayfieldWithoutHost, TheStepReadsTheKeyStateAsTheCallerLeftIt)
{
    GameState& g = game();
    g.max_x = 4;
    g.max_y = 1;
    rt_num_array_dim(g.map, 4, 1);
    for (double x = 0; x < 4; ++x) rt_num_array_at(g.map, x, 0) = sp_black;
    rt_num_array_at(g.map, 1, 0) = sp_brillox;
    g.min_brillox = 1;
    g.brillox_found = 0;
    g.MySave = key_save;
    rt_num_array_dim(g.f_steine, 0, 4);
    rt_num_array_dim(g.gKeyState, 256);
    ASSERT_EQ(set_playfield_host(nullptr), nullptr);
    rt_num_array_at(g.gKeyState, key_right) = key_held;
    rt_num_array_at(g.gKeyState, key_save) = key_held;
    // The null host asks nothing of the world: no poll, no save screen, no flash.
    EXPECT_EQ(player_step(0, 0), 0);
    EXPECT_EQ(player_step(1, 0), 0);
    EXPECT_EQ(g.player_posx, 2);
    EXPECT_EQ(g.brillox_found, 1);
}

TEST_F(Playfield, AStoneFallsIntoTheLeftCellAndCrushesOnlyAPlayerStillBelowIt)
{
    // clang-format off
    const std::vector<std::string> start = {
        "*****",
        "*.S.*",
        "*.P.*",
        "*.#.*",
        "*****",
    };
    // clang-format on
    field(start);
    step(key_down);
    EXPECT_EQ(falling_list(), (std::vector<Falling>{{2, 1, sp_stein, 0}}));
    EXPECT_EQ(falling_step(), 0);
    EXPECT_EQ(cell_at(2, 2), sp_stein);
    EXPECT_EQ(falling_step(), 1);  // he stayed below it
    EXPECT_EQ(cell_at(2, 3), sp_player);

    SetUp();
    field(start);
    step(key_left);
    EXPECT_EQ(falling_step(), 0);
    EXPECT_EQ(falling_step(), 0);  // lands on the earth beside him
    EXPECT_EQ(picture()[2], "*PS.*");
    EXPECT_TRUE(falling_list().empty());
    EXPECT_EQ(host.count("landed"), 1);
}

TEST_F(Playfield, AHangingStoneStaysUntilThePlayerLeavesTheCellBelowIt)
{
    field({
        "*****",
        "*S..*",
        "*.P.*",
        "*...*",
        "*****",
    });
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(falling_step(), 0);
        EXPECT_EQ(roll_step(game().player_posx, game().player_posy), 0);
    }
    step(key_left);  // walks in under it: nothing yet
    EXPECT_EQ(cell_at(1, 1), sp_stein);
    EXPECT_TRUE(falling_list().empty());
    step(key_right);
    falling_step();
    falling_step();
    falling_step();
    EXPECT_EQ(picture(), (std::vector<std::string>{"*****", "*...*", "*.P.*", "*S..*", "*****"}));
    EXPECT_TRUE(falling_list().empty());
}

TEST_F(Playfield, PushingSidewaysIntoAGapDropsTheStoneInTheSameFrame)
{
    field({
        "******",
        "*PS..*",
        "*##.#*",
        "******",
    });
    step(key_right);
    EXPECT_EQ(picture(), (std::vector<std::string>{"******", "*.P..*", "*##S#*", "******"}));
    EXPECT_EQ(falling_list(), (std::vector<Falling>{{3, 2, sp_stein, 0}}));

    // With support below, the pushed stone just moves along and stays at rest.
    field({
        "******",
        "*.SP.*",
        "******",
    });
    rt_num_array_dim(game().f_steine, 0, 4);
    step(key_left);
    EXPECT_EQ(picture()[1], "*SP..*");
    EXPECT_TRUE(falling_list().empty());
}

TEST_F(Playfield, StonesAreNotPushedVerticallyNorIntoNonEmptyCells)
{
    // clang-format off
    const std::vector<std::string> start = {
        "*******",
        "*..S..*",
        "*.SPSB*",
        "*..S..*",
        "*******",
    };
    // clang-format on
    field(start);
    for (double key : {key_up, key_down, key_right}) {
        step(key);
        EXPECT_EQ(picture(), start) << key;
        EXPECT_EQ(game().player_posx, 3);
        EXPECT_EQ(game().player_posy, 2);
    }
    EXPECT_EQ(game().richtung, 1);
    step(key_left);  // into the empty cell beyond: this one moves, and drops over the gap
    EXPECT_EQ(picture()[2], "*.P.SB*");
    EXPECT_EQ(picture()[3], "*S.S..*");
}

TEST_F(Playfield, ABrilloxFallingOnThePlayerCrushesLikeAStone)
{
    field({
        "***",
        "*B*",
        "*.*",
        "*P*",
        "***",
    });
    add_falling(1, 1);
    EXPECT_EQ(falling_step(), 0);
    EXPECT_EQ(cell_at(1, 2), sp_brillox);
    EXPECT_EQ(falling_step(), 1);
}

TEST_F(Playfield, StonesRollOnlyOffStonesAndRightBeforeLeft)
{
    field({
        "*******",
        "*..B..*",
        "*..S..*",
        "*..S..*",
        "*#####*",
        "*******",
    });
    EXPECT_EQ(roll_step(1, 1), 0);
    EXPECT_EQ(picture()[2], "*.....*");
    EXPECT_EQ(picture()[3], "*..SS.*");
    // The rolled stone keeps falling; the Brillox above the emptied cell starts to fall.
    EXPECT_EQ(falling_list(), (std::vector<Falling>{{4, 3, sp_stein, 0}, {3, 1, sp_brillox, 0}}));

    field({
        "*******",
        "*..S..*",
        "*..S#.*",
        "*..B..*",
        "*#####*",
        "*******",
    });
    rt_num_array_dim(game().f_steine, 0, 4);
    roll_step(1, 1);
    EXPECT_EQ(picture()[1], "*.....*");
    EXPECT_EQ(picture()[2], "*.SS#.*");
    EXPECT_EQ(roll_step(1, 1), 0);  // a stone on a Brillox stays
    EXPECT_EQ(picture()[2], "*.SS#.*");
    EXPECT_EQ(picture()[3], "*..B..*");
}

TEST_F(Playfield, OnlyOneStoneRollsPerStepInScanOrder)
{
    field({
        "********",
        "*......*",
        "*.S..S.*",
        "*.S..S.*",
        "*######*",
        "********",
    });
    roll_step(1, 1);
    EXPECT_EQ(picture()[2], "*....S.*");
    EXPECT_EQ(picture()[3], "*.SS.S.*");
    roll_step(1, 1);
    EXPECT_EQ(picture()[3], "*.SS.SS*");
}

TEST_F(Playfield, StonesOutsideTheVisibleWindowDoNotRoll)
{
    std::vector<std::string> rows(14, "*" + std::string(28, '#') + "*");
    rows[0] = rows[13] = std::string(30, '*');
    rows[5].replace(25, 3, "...");
    rows[6].replace(25, 3, ".S.");
    rows[7].replace(25, 3, ".S.");
    rows[6][1] = 'P';
    field(rows);
    EXPECT_EQ(window_left(1), 0);
    roll_step(1, 6);  // the window covers columns 0 to 19
    EXPECT_EQ(cell_at(26, 6), sp_stein);
    EXPECT_EQ(window_left(29), 10);
    roll_step(29, 6);
    EXPECT_EQ(cell_at(26, 6), sp_black);
    EXPECT_EQ(cell_at(27, 7), sp_stein);
}

TEST_F(Playfield, TheQuestionsForPlannersAgreeWithWhatTheRulesThenDo)
{
    field({
        "*******",
        "*..S..*",
        "*..S#.*",
        "*#S####",
        "*######",
        "*******",
    });
    EXPECT_FALSE(falling_at(3, 1));
    EXPECT_TRUE(stone_would_roll(1, 1));  // left, as the right side is blocked
    roll_step(1, 1);
    EXPECT_TRUE(falling_at(2, 2));
    EXPECT_FALSE(falling_at(2, 3));  // the stone it will land on is at rest
    EXPECT_FALSE(stone_would_roll(1, 1));
    falling_step();  // it lands: the row stays listed until the end of the step only
    EXPECT_FALSE(falling_at(2, 2));
    EXPECT_TRUE(falling_list().empty());
}

TEST(PlayfieldWindow, StopsAtTheFieldEdgesAndStartsAtZeroOnSmallFields)
{
    game().max_x = 40;
    game().max_y = 30;
    EXPECT_EQ(window_left(5), 0);
    EXPECT_EQ(window_left(15), 5);
    EXPECT_EQ(window_left(39), 20);
    EXPECT_EQ(window_top(3), 0);
    EXPECT_EQ(window_top(10), 3);
    EXPECT_EQ(window_top(29), 16);
    game().max_x = 5;
    game().max_y = 4;
    EXPECT_EQ(window_left(4), 0);
    EXPECT_EQ(window_top(3), 0);
}

TEST_F(Playfield, FieldsWithoutAWallRingAreWalledByTheirEdge)
{
    field({
        "SP",
        ".S",
    });
    step(key_up);
    step(key_right);
    EXPECT_EQ(game().player_posx, 1);
    EXPECT_EQ(game().player_posy, 0);
    step(key_left);  // the stone would go past the edge
    EXPECT_EQ(picture(), (std::vector<std::string>{"SP", ".S"}));
    add_falling(1, 1);
    EXPECT_EQ(falling_step(), 0);  // lands on the edge
    EXPECT_TRUE(falling_list().empty());
    EXPECT_EQ(roll_step(0, 0), 0);
}

TEST_F(Playfield, OnlyTheBrilloxThatMeetsTheQuotaAsksForTheFlash)
{
    field({
        "**********",
        "*PBBBBBB.*",
        "**********",
    });
    game().min_brillox = 5;
    for (int i = 0; i < 4; ++i) step(key_right);
    EXPECT_EQ(game().brillox_found, 4);
    EXPECT_EQ(host.count("quota"), 0);

    step(key_right);
    EXPECT_EQ(game().brillox_found, 5);
    EXPECT_EQ(host.count("quota"), 1);

    step(key_right);
    EXPECT_EQ(game().brillox_found, 6);
    EXPECT_EQ(host.count("quota"), 1);
    EXPECT_EQ(picture()[1], "*......P.*");
}

TEST_F(Playfield, TheExitIsAWallUntilTheQuotaIsMet)
{
    field({
        "*****",
        "*PX.*",
        "*****",
    });
    game().min_brillox = 1;
    EXPECT_EQ(step(key_right), 0);
    EXPECT_EQ(game().player_posx, 1);
    EXPECT_EQ(host.count("exit"), 0);

    game().brillox_found = 2;
    EXPECT_EQ(step(key_right), 1);
    EXPECT_EQ(game().player_posx, 2);
    EXPECT_EQ(cell_at(2, 1), sp_player);
    EXPECT_EQ(host.count("exit"), 1);
}

TEST_F(Playfield, AddFallingSkipsObjectsAlreadyMovingButNotLandedRows)
{
    field({
        "****",
        "*SS*",
        "*..*",
        "****",
    });
    add_falling(1, 1);
    add_falling(1, 1);
    set_falling({{1, 1, sp_stein, 0}, {2, 1, sp_stein, 1}});
    add_falling(2, 1);
    EXPECT_EQ(falling_list(), (std::vector<Falling>{
                                  {1, 1, sp_stein, 0}, {2, 1, sp_stein, 1}, {2, 1, sp_stein, 0}}));
}

TEST_F(Playfield, RemoveFallingDoesNotExamineTheRowThatMovedUp)
{
    set_falling(
        {{1, 1, sp_stein, 0}, {1, 1, sp_stein, 0}, {3, 1, sp_stein, 0}, {1, 1, sp_stein, 1}});
    remove_falling(1, 1);
    EXPECT_EQ(falling_list(), (std::vector<Falling>{
                                  {1, 1, sp_stein, 0}, {3, 1, sp_stein, 0}, {1, 1, sp_stein, 1}}));
}

TEST_F(Playfield, FallingStepLeavesALandedRowThatMovedUpForTheNextStep)
{
    field({
        "*****",
        "*SS.*",
        "*##.*",
        "*****",
    });
    set_falling({{1, 1, sp_stein, 0}, {2, 1, sp_stein, 0}});
    EXPECT_EQ(falling_step(), 0);
    EXPECT_EQ(falling_list(), (std::vector<Falling>{{2, 1, sp_stein, 1}}));
    EXPECT_EQ(host.count("landed"), 2);
    EXPECT_EQ(falling_step(), 0);
    EXPECT_TRUE(falling_list().empty());
}

TEST_F(Playfield, ACrushStopsTheWalkAndObjectsMoveByTheirRecordedCell)
{
    field({
        "*****",
        "*SB.*",
        "*P..*",
        "*...*",
        "*****",
    });
    // The first row records a stone at (3, 1), where the field holds nothing: the step still
    // writes a stone below it. The stone on the player stops the walk before the Brillox.
    set_falling({{3, 1, sp_stein, 0}, {1, 1, sp_stein, 0}, {2, 1, sp_brillox, 0}});
    EXPECT_EQ(falling_step(), 1);
    EXPECT_EQ(picture(), (std::vector<std::string>{"*****", "*SB.*", "*P.S*", "*...*", "*****"}));
    EXPECT_EQ(
        falling_list(),
        (std::vector<Falling>{{3, 2, sp_stein, 0}, {1, 1, sp_stein, 0}, {2, 1, sp_brillox, 0}}));
}

}  // namespace
