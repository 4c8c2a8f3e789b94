// Tests for the data the game ships in data/: every picture and font loads through our BMP
// reader at its size, with the sprite key colour only where a picture is see-through; every
// sound loads through our WAV reader, audible and without clicks; and Level.ini, the
// highscore table and the save slots read through our INI document in the layout the game uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/rt_string.h"
#include "files/ini_document.h"
#include "graphics/image.h"
#include "sound/wav_reader.h"

namespace {

const std::string data_dir = BRILLOX_DATA_DIR;

std::string data_file(const std::string& name)
{
    return data_dir + "/" + name;
}

// --- pictures ---------------------------------------------------------------------------------

struct Picture {
    const char* file;
    int width, height;
};

// Tiles, figure frames, icons, explosion frames and the pointer are drawn for the 32-pixel
// screen cell; the background fills the 640 x 480 screen; the fonts are 16 x 16 cell grids.
const Picture pictures[] = {
    {"show/mauer.bmp", 32, 32},       {"show/frei.bmp", 32, 32},
    {"show/stein.bmp", 32, 32},       {"show/brillox.bmp", 32, 32},
    {"show/black.bmp", 32, 32},       {"show/ziel.bmp", 32, 32},
    {"show/player01.bmp", 32, 32},    {"show/player02.bmp", 32, 32},
    {"show/player03.bmp", 32, 32},    {"show/player04.bmp", 32, 32},
    {"show/player_r.bmp", 32, 32},    {"show/player_l.bmp", 32, 32},
    {"show/brillox_a.bmp", 32, 32},   {"show/uhr.bmp", 32, 32},
    {"show/sound_off.bmp", 32, 32},   {"show/sound_on.bmp", 32, 32},
    {"show/exp01.bmp", 32, 32},       {"show/exp02.bmp", 32, 32},
    {"show/exp03.bmp", 32, 32},       {"show/exp04.bmp", 32, 32},
    {"show/zeiger.bmp", 32, 32},      {"show/hg01.bmp", 640, 480},
    {"show/font20x31.bmp", 320, 496}, {"show/font10x15.bmp", 160, 240},
};

const char* const fonts[] = {"show/font20x31.bmp", "show/font10x15.bmp", "smalfont.bmp"};

// Cells that always cover what is behind them, and the background that fills the screen.
const char* const opaque_pictures[] = {"show/mauer.bmp", "show/frei.bmp", "show/black.bmp",
                                       "show/hg01.bmp"};

// The figure is drawn over the cell it stands in, so its frames must let that cell show.
const char* const figure_frames[] = {"show/player01.bmp", "show/player02.bmp", "show/player03.bmp",
                                     "show/player04.bmp", "show/player_r.bmp", "show/player_l.bmp"};

// The picture exactly as stored: no colour key, so every pixel keeps its colour.
Image read_picture(const std::string& name)
{
    Image image;
    EXPECT_TRUE(bmp_read(data_file(name), colour_key_none, image)) << name;
    return image;
}

struct Rgb {
    int r, g, b;
};

Rgb pixel(const Image& image, int x, int y)
{
    const std::size_t at = (static_cast<std::size_t>(y) * image.width + x) * 4;
    return {image.rgba[at], image.rgba[at + 1], image.rgba[at + 2]};
}

bool is_sprite_key(Rgb c)
{
    return c.r + c.g * 256 + c.b * 65536 == colour_key_sprite;
}

// Red 255, green 0, blue 127 to 132: colours that the back-buffer grab takes for the key.
bool in_pink_band(Rgb c)
{
    return c.r == 255 && c.g == 0 && c.b >= 127 && c.b <= 132;
}

int count_pixels(const Image& image, bool (*match)(Rgb))
{
    int n = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) n += match(pixel(image, x, y)) ? 1 : 0;
    }
    return n;
}

TEST(Pictures, EveryPictureAndFontLoadsAtItsSize)
{
    for (const Picture& p : pictures) {
        const Image image = read_picture(p.file);
        EXPECT_EQ(image.width, p.width) << p.file;
        EXPECT_EQ(image.height, p.height) << p.file;
    }
    // The start-up font is any 16-column grid; its cells must divide the picture evenly.
    const Image smalfont = read_picture("smalfont.bmp");
    ASSERT_GT(smalfont.width, 0);
    const int rows = smalfont.height > smalfont.width ? 16 : 8;
    EXPECT_EQ(smalfont.width % 16, 0);
    EXPECT_EQ(smalfont.height % rows, 0);
    EXPECT_GE(smalfont.width / 16, 6);
    EXPECT_GE(smalfont.height / rows, 8);
}

TEST(Pictures, KeyColourOnlyWhereThePictureIsSeeThrough)
{
    for (const char* name : opaque_pictures) {
        EXPECT_EQ(count_pixels(read_picture(name), is_sprite_key), 0) << name;
    }
    for (const char* name : figure_frames) {
        EXPECT_GT(count_pixels(read_picture(name), is_sprite_key), 0) << name;
    }
    // Near-misses of the key would show as pink wherever a grabbed strip is drawn.
    for (const Picture& p : pictures) {
        const Image image = read_picture(p.file);
        const int band = count_pixels(image, in_pink_band);
        const int key = count_pixels(image, is_sprite_key);
        EXPECT_EQ(band, key) << p.file << " holds colours next to the key colour";
    }
}

TEST(Pictures, FontsShowEveryPrintableCharacterAndNoKeyColour)
{
    for (const char* name : fonts) {
        const Image font = read_picture(name);
        ASSERT_GT(font.width, 0) << name;
        // Fonts are keyed on black; the sprite key would be drawn as pink.
        EXPECT_EQ(count_pixels(font, in_pink_band), 0) << name;
        // 256 cells, one per byte of Windows-1252, the code page the texts are turned into:
        // with 128, a byte above 127 (an "ä" in a name) would show the cell 128 below it.
        ASSERT_GT(font.height, font.width) << name << " has 128 cells";
        const int cw = font.width / 16, ch = font.height / 16;
        std::vector<int> codes;
        for (int code = 33; code <= 126; ++code) codes.push_back(code);
        for (int code = 0x80; code <= 0xFF; ++code) {
            // Five codes the page leaves unused, and the no-break space, stay empty.
            if (code != 0x81 && code != 0x8D && code != 0x8F && code != 0x90 && code != 0x9D &&
                code != 0xA0) {
                codes.push_back(code);
            }
        }
        for (const int code : codes) {
            const int x0 = code % 16 * cw, y0 = code / 16 * ch;
            int drawn = 0;
            for (int y = y0; y < y0 + ch; ++y) {
                for (int x = x0; x < x0 + cw; ++x) {
                    const Rgb c = pixel(font, x, y);
                    drawn += (c.r | c.g | c.b) != 0 ? 1 : 0;
                }
            }
            EXPECT_GT(drawn, 0) << name << ": character " << code << " is blank";
            EXPECT_LT(drawn, cw * ch)
                << name << ": character " << code << " has no transparent background";
        }
    }
}

// --- sounds -----------------------------------------------------------------------------------

const char* const sounds[] = {"sound/explosion.wav", "sound/stein.wav", "sound/fanfare.wav",
                              "sound/letsgo.wav", "sound/gong.wav"};

std::vector<std::uint8_t> read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The samples of the first channel, as signed 16-bit values.
std::vector<int> first_channel(const WavSound& wav)
{
    std::vector<int> samples;
    for (std::size_t at = 0; at + 1 < wav.data.size(); at += wav.block_align) {
        samples.push_back(static_cast<std::int16_t>(wav.data[at] | wav.data[at + 1] << 8));
    }
    return samples;
}

double seconds(const WavSound& wav)
{
    return static_cast<double>(wav.data.size()) / wav.block_align / wav.sample_rate;
}

TEST(Sounds, EverySoundIsPlain16BitPcmAt22050Hz)
{
    for (const char* name : sounds) {
        SCOPED_TRACE(name);
        // The reader skips 14 bytes after any format chunk that is not 16 bytes long, so
        // only the plain layout reads right: RIFF, a 16-byte "fmt " chunk, then "data".
        const std::vector<std::uint8_t> bytes = read_bytes(data_file(name));
        ASSERT_GE(bytes.size(), 44u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
        EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(le32(bytes, 16), 16u);
        EXPECT_EQ(bytes[20] | bytes[21] << 8, 1) << "not PCM";
        EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
        EXPECT_EQ(le32(bytes, 40), bytes.size() - 44);
        EXPECT_EQ(le32(bytes, 4), bytes.size() - 8);

        WavSound wav;
        ASSERT_TRUE(wav_read(data_file(name), wav));
        EXPECT_EQ(wav.bits_per_sample, 16);
        EXPECT_EQ(wav.sample_rate, 22050);
        EXPECT_TRUE(wav.channels == 1 || wav.channels == 2);
        EXPECT_EQ(wav.block_align, 2 * wav.channels);
        EXPECT_EQ(wav.data.size() % wav.block_align, 0u);
    }
}

TEST(Sounds, EverySoundIsShortAudibleAndStartsAndEndsAtSilence)
{
    for (const char* name : sounds) {
        SCOPED_TRACE(name);
        WavSound wav;
        ASSERT_TRUE(wav_read(data_file(name), wav));
        const std::vector<int> samples = first_channel(wav);
        ASSERT_FALSE(samples.empty());
        int peak = 0;
        for (int s : samples) peak = std::max(peak, std::abs(s));
        EXPECT_GT(peak, 16384) << "quieter than -6 dBFS";
        EXPECT_LT(peak, 32767) << "clipped";
        // A jump from or to silence at either end clicks.
        EXPECT_LE(std::abs(samples.front()), 300);
        EXPECT_LE(std::abs(samples.back()), 300);
        EXPECT_GT(seconds(wav), 0.1);
        EXPECT_LT(seconds(wav), 2.0);
    }
}

TEST(Sounds, StoneThudEndsBeforeTheNextLandingOnTheHardestSetting)
{
    // Objects move every 4th frame at 30 frames per second on "Hard", and a one-buffer slot
    // does not restart a sound that is still playing.
    WavSound wav;
    ASSERT_TRUE(wav_read(data_file("sound/stein.wav"), wav));
    EXPECT_LT(seconds(wav), 4.0 / 30.0);
}

// --- INI files --------------------------------------------------------------------------------

class GameIniFiles : public testing::Test {
protected:
    void SetUp() override { ini_load(""); }
    void TearDown() override { ini_load(""); }  // drops the document unsaved
};

std::string get(const std::string& section, const std::string& key)
{
    return ini_get(section.c_str(), key.c_str()).c_str();
}

int number(const std::string& section, const std::string& key)
{
    return static_cast<int>(str_to_number(ini_get(section.c_str(), key.c_str())));
}

struct Level {
    std::string section;
    int x = 0, y = 0, zeit = 0, quota = 0;
    std::vector<std::string> rows;  // the field only, without the leading character
};

// Reads every level the way the level loader finds it: x, y, zeit, brillox and the rows
// "1" to y, each with one leading character in front of the cells.
std::vector<Level> read_levels()
{
    std::vector<Level> levels;
    const int count = number("game", "level");
    for (int n = 1; n <= count; ++n) {
        Level level;
        level.section = "level_" + std::to_string(n);
        level.x = number(level.section, "x");
        level.y = number(level.section, "y");
        level.zeit = number(level.section, "zeit");
        level.quota = number(level.section, "brillox");
        for (int r = 1; r <= level.y; ++r) {
            const std::string value = get(level.section, std::to_string(r));
            EXPECT_EQ(static_cast<int>(value.size()), level.x + 1)
                << level.section << " row " << r << ": " << value;
            EXPECT_FALSE(value.empty() || value[0] == ' ' || value[0] == '\t')
                << level.section << " row " << r << " needs a leading character";
            level.rows.push_back(value.empty() ? "" : value.substr(1));
        }
        levels.push_back(level);
    }
    return levels;
}

TEST_F(GameIniFiles, LevelFileHoldsTheSettingsAndEveryLevelItCounts)
{
    ini_open(data_file("Level.ini").c_str());
    const int count = number("game", "level");
    EXPECT_EQ(count, 40);
    EXPECT_GT(number("game", "leben"), 0);
    EXPECT_GT(number("game", "speed"), 0);
    for (int n = 1; n <= count; ++n) {
        EXPECT_NE(get("level_" + std::to_string(n), "x"), "NO_DATA") << "level_" << n;
    }
    EXPECT_EQ(get("level_" + std::to_string(count + 1), "x"), "NO_DATA");
}

// Saved games and highscores name levels by number: the twelve levels the game first shipped
// stay first and unchanged, as the scripted games' copy of that file keeps them.
TEST_F(GameIniFiles, FortyLevelsTheFirstTwelveUnchanged)
{
    ini_open(BRILLOX_FIRST_LEVELS);
    ASSERT_EQ(number("game", "level"), 12);
    const std::vector<Level> first = read_levels();
    ini_open(data_file("Level.ini").c_str());
    const std::vector<Level> shipped = read_levels();
    ASSERT_EQ(shipped.size(), 40u);
    for (std::size_t n = 0; n < first.size(); ++n) {
        SCOPED_TRACE(first[n].section);
        EXPECT_EQ(shipped[n].section, first[n].section);
        EXPECT_EQ(shipped[n].zeit, first[n].zeit);
        EXPECT_EQ(shipped[n].quota, first[n].quota);
        EXPECT_EQ(shipped[n].rows, first[n].rows);
    }
}

TEST_F(GameIniFiles, EveryLevelIsWalledInAndPlayable)
{
    ini_open(data_file("Level.ini").c_str());
    const std::vector<Level> levels = read_levels();
    ASSERT_FALSE(levels.empty());
    for (const Level& level : levels) {
        SCOPED_TRACE(level.section);
        // The field window is 20 x 14 cells, and the rules read neighbours without edge tests.
        EXPECT_GE(level.x, 20);
        EXPECT_GE(level.y, 14);
        EXPECT_GE(level.zeit, 0);
        ASSERT_EQ(static_cast<int>(level.rows.size()), level.y);
        int players = 0, exits = 0, brilloxen = 0;
        for (int r = 0; r < level.y; ++r) {
            const std::string& row = level.rows[r];
            if (static_cast<int>(row.size()) != level.x) continue;  // reported while reading
            for (int j = 0; j < level.x; ++j) {
                const char c = row[j];
                EXPECT_NE(std::string("*SDPZ.").find(c), std::string::npos)
                    << "row " << r + 1 << " column " << j + 1 << " holds '" << c << "'";
                if (r == 0 || r == level.y - 1 || j == 0 || j == level.x - 1) {
                    EXPECT_EQ(c, '*')
                        << "gap in the wall ring at row " << r + 1 << " column " << j + 1;
                }
                players += c == 'P';
                exits += c == 'Z';
                brilloxen += c == 'D';
            }
        }
        EXPECT_EQ(players, 1);
        EXPECT_EQ(exits, 1);
        EXPECT_GT(brilloxen, 0);
        EXPECT_GT(level.quota, 0);
        EXPECT_LE(level.quota, brilloxen);
        // A key past the last row would be a row the loader never reads.
        EXPECT_EQ(get(level.section, std::to_string(level.y + 1)), "NO_DATA");
    }
}

TEST_F(GameIniFiles, LevelsScrollAndSomeRunAgainstTheClock)
{
    ini_open(data_file("Level.ini").c_str());
    int scrolling = 0, timed = 0;
    for (const Level& level : read_levels()) {
        scrolling += level.x > 20 || level.y > 14;
        timed += level.zeit > 0;
    }
    EXPECT_GE(scrolling, 3);
    EXPECT_GE(timed, 3);
}

TEST_F(GameIniFiles, HighscoreTableShipsWithTenEmptyPlaces)
{
    ASSERT_TRUE(std::filesystem::is_regular_file(data_file("highscore.ini")));
    ini_open(data_file("highscore.ini").c_str());
    for (int place = 1; place <= 10; ++place) {
        // The game's own form of an empty place: no name, a comma, the score 0.
        const std::string value = get("daten", std::to_string(place));
        ASSERT_NE(value.find(','), std::string::npos) << "place " << place << ": " << value;
        EXPECT_EQ(value.substr(0, value.find(',')), "") << "place " << place;
        EXPECT_EQ(str_to_number(value.substr(value.find(',') + 1).c_str()), 0.0)
            << "place " << place;
    }
    EXPECT_EQ(get("daten", "11"), "NO_DATA");
}

TEST_F(GameIniFiles, SaveGameFileShipsWithTenEmptySlots)
{
    ASSERT_TRUE(std::filesystem::is_regular_file(data_file("savegame.ini")));
    ini_open(data_file("savegame.ini").c_str());
    for (int slot = 1; slot <= 10; ++slot) {
        EXPECT_EQ(get("daten", std::to_string(slot)), "NO_DATA") << "slot " << slot;
    }
}

}  // namespace
