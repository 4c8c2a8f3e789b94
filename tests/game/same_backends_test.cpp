// The game drawn through the GLES 3.0 backend (brillox_gles, the browser build's drawing) must
// leave what the desktop's OpenGL 1.x build leaves: every script of scripts/ and a tour of the
// screens are played by both programs from the same data, and the traces, the player's files
// and every other file are compared byte for byte, the captured frames pixel for pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/png_picture.h"
#include "support/scripted_game.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::read_png;
using testing_support::RgbPicture;
using testing_support::ScriptedGame;

// How two captures of the same frame differ: pixels with any channel apart, the largest
// difference of a channel, and where the first such pixel is.
struct PixelDifference {
    std::size_t pixels = 0;
    int largest = 0;
    int first_x = -1, first_y = -1;
};

PixelDifference compare_pictures(const RgbPicture& a, const RgbPicture& b)
{
    PixelDifference d;
    for (std::size_t i = 0; i + 2 < a.rgb.size() && i + 2 < b.rgb.size(); i += 3) {
        int apart = 0;
        for (std::size_t c = 0; c < 3; ++c)
            apart = std::max(apart, std::abs(a.rgb[i + c] - b.rgb[i + c]));
        if (apart == 0) continue;
        if (d.pixels++ == 0) {
            d.first_x = static_cast<int>(i / 3 % static_cast<std::size_t>(a.width));
            d.first_y = static_cast<int>(i / 3 / static_cast<std::size_t>(a.width));
        }
        d.largest = std::max(d.largest, apart);
    }
    return d;
}

// Both captures exist, have the same size, show something, and are the same picture.
void expect_same_capture(const std::string& gl1_path, const std::string& gles_path)
{
    const RgbPicture gl1 = read_png(gl1_path);
    const RgbPicture gles = read_png(gles_path);
    ASSERT_GT(gl1.width, 0) << gl1_path << " could not be read";
    ASSERT_EQ(gles.width, gl1.width);
    ASSERT_EQ(gles.height, gl1.height);
    const PixelDifference d = compare_pictures(gl1, gles);
    EXPECT_EQ(d.pixels, 0u) << "largest channel difference " << d.largest << ", first at "
                            << d.first_x << "," << d.first_y;
}

// The NAME FILE pairs of a script's "#given NAME FILE" lines.
std::vector<std::pair<std::string, std::string>> given_files(const std::string& script)
{
    std::vector<std::pair<std::string, std::string>> given;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string verb, name, file;
        if (words >> verb >> name >> file && verb == "#given") given.emplace_back(name, file);
    }
    return given;
}

// Both programs play script from the same data and given files; their traces, the files left
// in the start folder and the player's files must be the same.
void expect_same_game(const std::string& script, const std::string& given_dir = "")
{
    ScriptedGame gl1(BRILLOX_GAME, BRILLOX_DATA_DIR);
    ScriptedGame gles(BRILLOX_GAME_GLES, BRILLOX_DATA_DIR);
    for (const auto& [name, file] : given_files(script)) {
        const std::string contents = read_file(given_dir + "/" + file);
        testing_support::write_file(gl1.game_file(name), contents);
        testing_support::write_file(gles.game_file(name), contents);
    }
    const std::string gl1_trace = gl1.play(script);
    const std::string gles_trace = gles.play(script);
    EXPECT_EQ(gles_trace, gl1_trace);

    std::set<std::string> names;
    for (const ScriptedGame* game : {&gl1, &gles}) {
        for (const auto& entry : fs::directory_iterator(fs::path(game->start_file("")))) {
            names.insert(entry.path().filename().string());
        }
    }
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(gl1.start_file(name))) << "only the GLES program left it";
        ASSERT_TRUE(fs::exists(gles.start_file(name))) << "only the GL 1 program left it";
        if (fs::path(name).extension() == ".png") {
            expect_same_capture(gl1.start_file(name), gles.start_file(name));
        } else {
            EXPECT_EQ(read_file(gles.start_file(name)), read_file(gl1.start_file(name)));
        }
    }
    for (const char* name : {"highscore.ini", "savegame.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(read_file(gles.game_file(name)), read_file(gl1.game_file(name)));
    }
}

std::vector<std::string> script_names()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(BRILLOX_SCRIPTS_DIR)) {
        if (entry.path().extension() == ".txt") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class SameBackends : public testing::TestWithParam<std::string> {};

TEST_P(SameBackends, ScriptLeavesTheSameFiles)
{
    const std::string dir = BRILLOX_SCRIPTS_DIR;
    expect_same_game(read_file(dir + "/" + GetParam() + ".txt"), dir);
}

// Each script is a test of its own, named after it.
std::string script_name(const testing::TestParamInfo<std::string>& script)
{
    return script.param;
}

INSTANTIATE_TEST_SUITE_P(Scripts, SameBackends, testing::ValuesIn(script_names()), script_name);

// Every kind of drawing the game does, captured: the title (a background picture and text),
// the menu and the highscore table (fonts over a frozen background), a level in play (the
// sprite batch, scrolling), walking, giving up (the explosion with additive blending, fading),
// the pause and save screens (text over the frozen, dimmed frame) and the name entry grid.
const char* const tour =
    "wait 300\ncapture title.png\ntap Enter\nwait 300\ncapture menu.png\n"
    "tap Down\nwait 100\ntap Down\nwait 100\ntap Down\nwait 100\n"
    "tap Enter  # the highscore table\nwait 300\ncapture highscores.png\ntap Enter\nwait 300\n"
    "tap Up\nwait 100\ntap Up\nwait 100\ntap Up\nwait 100\n"
    "tap Enter  # level 1\nwait 500\ncapture play.png\n"
    "down Right\nwait 400\nup Right\ndown Down\nwait 300\nup Down\ncapture walked.png\n"
    "tap P\nwait 300\ncapture paused.png\ntap P\nwait 300\n"
    "tap S\nwait 500\ncapture save.png\ntap Enter\nwait 500\ncapture name.png\n"
    "tap Escape\nwait 300\ntap Escape\nwait 300\ncapture back.png\n"
    "down Escape\nwait 250\ncapture death1.png\nwait 300\ncapture death2.png\nup Escape\n"
    "wait 3000\ncapture summary.png\nwait 1000\n";

TEST(SameBackendsTour, EveryScreenLooksTheSame)
{
    expect_same_game(tour);
}

}  // namespace
