// Tests for bitmap fonts on the offscreen driver: loading (files, the built-in fallback, slot
// and index limits), the cell grid of a font image, and printed text read back pixel by pixel.
// The last test runs the start-up probe and checks its "Loading..." frame.
#include "graphics/fonts.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/display.h"
#include "graphics/image.h"
#include "graphics/sprites.h"
#include "platform/fs.h"
#include "support/bmp_bytes.h"
#include "support/offscreen_display.h"
#include "support/png_picture.h"
#include "support/rgb.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;
using testing_support::write_file;

using testing_support::black;
using testing_support::blue;
using testing_support::green;
using testing_support::red;
using testing_support::Rgb;
using testing_support::white;

constexpr Rgb backdrop{40, 80, 120};  // the tests clear to this, so black and (8, 8, 8) show
constexpr Rgb outline{8, 8, 8};
constexpr Rgb darkest_red{1, 0, 0};  // the darkest colour that is not the font key

// A picture in which every pixel tells where it comes from: red is the cell's code, green
// and blue the pixel's column and row inside the cell (times 4). All opaque.
Image coded_font(int width, int height)
{
    const int rows = width < height ? 16 : 8;
    const int cw = std::max(width / 16, 1), ch = std::max(height / rows, 1);
    Image image;
    image.width = width;
    image.height = height;
    image.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            p[0] = static_cast<std::uint8_t>(16 * (y / ch) + x / cw);
            p[1] = static_cast<std::uint8_t>(4 * (x % cw));
            p[2] = static_cast<std::uint8_t>(4 * (y % ch));
            p[3] = 255;
        }
    }
    return image;
}

// The colour the coded font shows at pixel (lx, ly) of the cell for code.
Rgb coded(int code, int lx, int ly)
{
    return {code, 4 * lx, 4 * ly};
}

// On the program's display, created as the start-up does; font files go to a scratch
// directory.
class Fonts : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testing_support::shared_display().created());
        screen_prepare_frame();
        glClearColor(backdrop.r / 255.0f, backdrop.g / 255.0f, backdrop.b / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        text_set_font(0);
    }
    void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }

    // Puts a picture into font slot n and selects it.
    static void use_font(int n, const Image& image)
    {
        ASSERT_TRUE(sprite_load_image(font_sprite_base + n, image));
        text_set_font(n);
    }
    static std::pair<double, double> font_size()
    {
        double w = -1, h = -1;
        text_get_font_size(w, h);
        return {w, h};
    }

    Rgb pixel(int x, int y)
    {
        if (pixels.empty()) screen_read_pixels(pixels);
        const std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * rt_display->width + x) * 3];
        return {p[0], p[1], p[2]};
    }
    void reread() { pixels.clear(); }
    // Every pixel of the frame outside the rectangle [left, right) x [top, bottom) is backdrop.
    bool only_inside(int left, int top, int right, int bottom)
    {
        for (int y = 0; y < rt_display->height; ++y) {
            for (int x = 0; x < rt_display->width; ++x) {
                if (x >= left && x < right && y >= top && y < bottom) continue;
                if (!(pixel(x, y) == backdrop)) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << pixel(x, y);
                    return false;
                }
            }
        }
        return true;
    }
    // Compares the 8 x 8 screen area at (x, y) with a picture: '#' white, 'o' the outline,
    // '.' untouched.
    void expect_cell(int x, int y, const std::vector<std::string>& picture)
    {
        for (int row = 0; row < 8; ++row) {
            for (int col = 0; col < 8; ++col) {
                const char c = picture[row][col];
                const Rgb want = c == '#' ? white : c == 'o' ? outline : backdrop;
                EXPECT_EQ(pixel(x + col, y + row), want)
                    << "cell pixel (" << col << ", " << row << ")";
            }
        }
    }

    TempDir dir;
    std::vector<std::uint8_t> pixels;
};

// ---- loading and selecting ----

TEST_F(Fonts, MissingFileGivesTheBuiltInFontAndMakesTheSlotCurrent)
{
    text_load_font(dir.file("no-such-font.bmp").c_str(), 3.8);
    EXPECT_EQ(text_current_font(), 3);
    EXPECT_EQ(font_size(), std::make_pair(8.0, 8.0));
    const int id = font_sprite_base + 3;
    EXPECT_EQ(rt_display->sprites[id].image_width, 128);
    EXPECT_EQ(rt_display->sprites[id].image_height, 64);
    EXPECT_EQ(rt_display->sprites[id].texture_width, 128);
    EXPECT_EQ(rt_display->sprites[id].texture_height, 64);
    EXPECT_NE(rt_display->sprites[id].texture[0], 0u);
    EXPECT_EQ(rt_display->sprites[id].texture[1], 0u);  // fonts get no mip-mapped copy

    // The index is limited like text_set_font's.
    text_load_font("", 99);
    EXPECT_EQ(text_current_font(), 15);
    EXPECT_EQ(rt_display->sprites[font_sprite_base + 15].image_width, 128);
    text_load_font("", -4);
    EXPECT_EQ(text_current_font(), 0);
}

TEST_F(Fonts, SetFontTruncatesAndLimitsTheIndex)
{
    text_set_font(20);
    EXPECT_EQ(text_current_font(), 15);
    text_set_font(-1);
    EXPECT_EQ(text_current_font(), 0);
    text_set_font(2.9);
    EXPECT_EQ(text_current_font(), 2);
    text_set_font(-0.9);
    EXPECT_EQ(text_current_font(), 0);
    text_set_font(15.99);
    EXPECT_EQ(text_current_font(), 15);
}

TEST_F(Fonts, FontFileIsFoundIgnoringCaseAndBlackIsItsTransparentColour)
{
    // 160 x 80: cells of 10 x 10. The cell of "A" (column 1, row 4) holds stripes of pure
    // black and of (1, 0, 0).
    std::vector<Rgb> picture(160 * 80, Rgb{0, 0, 0});
    for (int y = 40; y < 50; ++y) {
        for (int x = 10; x < 20; ++x) {
            if (x % 2 == 1) picture[y * 160 + x] = darkest_red;
        }
    }
    write_file(dir.file("stripes.bmp"), testing_support::bmp24(160, 80, picture));

    text_load_font(dir.file("STRIPES.BMP").c_str(), 4);
    EXPECT_EQ(text_current_font(), 4);
    ASSERT_EQ(font_size(), std::make_pair(10.0, 10.0)) << "the file was not loaded";
    text_print("A", 100, 200);
    for (int y = 200; y < 210; ++y) {
        for (int x = 100; x < 110; ++x) {
            EXPECT_EQ(pixel(x, y), x % 2 == 1 ? darkest_red : backdrop) << x << ", " << y;
        }
    }
    EXPECT_TRUE(only_inside(100, 200, 110, 210));
}

TEST_F(Fonts, UnreadableFileReplacesALoadedFontWithTheBuiltInOne)
{
    use_font(5, coded_font(320, 248));
    write_file(dir.file("not-an-image.bmp"), "this is text, not a picture");
    text_load_font(dir.file("not-an-image.bmp").c_str(), 5);
    EXPECT_EQ(font_size(), std::make_pair(8.0, 8.0));
    use_font(5, coded_font(320, 248));
    text_load_font(dir.file("gone.bmp").c_str(), 5);
    EXPECT_EQ(font_size(), std::make_pair(8.0, 8.0));
}

TEST_F(Fonts, CellSizeFollowsTheShapeOfTheImage)
{
    struct Case {
        int width, height;
        double cell_width, cell_height;
    };
    for (const Case& c : {Case{256, 256, 16, 32},  // square: 8 rows
                          Case{160, 320, 10, 20},  // taller than wide: 16 rows
                          Case{320, 248, 20, 31},  // rounded down
                          Case{160, 120, 10, 15}, Case{30, 7, 1, 0}}) {  // too small for a whole
                                                                         // cell
        use_font(6, coded_font(c.width, c.height));
        EXPECT_EQ(font_size(), std::make_pair(c.cell_width, c.cell_height))
            << c.width << " x " << c.height;
    }
}

TEST_F(Fonts, NeverLoadedSlotHasNoCellsAndPrintsNothing)
{
    text_set_font(9);
    EXPECT_EQ(font_size(), std::make_pair(0.0, 0.0));
    text_print("AB", 10, 10);
    EXPECT_TRUE(only_inside(0, 0, 0, 0));
}

// ---- printing ----

TEST_F(Fonts, TwoCharactersCoverTheirCellsSideBySide)
{
    use_font(1, coded_font(320, 248));  // cells of 20 x 31
    text_print("AB", 10, 20);
    // x 10..49 and y 20..50, every pixel taken from the right place of the right cell.
    for (int y = 20; y <= 50; ++y) {
        for (int x = 10; x <= 49; ++x) {
            const int code = x < 30 ? 'A' : 'B';
            ASSERT_EQ(pixel(x, y), coded(code, (x - 10) % 20, y - 20)) << x << ", " << y;
        }
    }
    EXPECT_TRUE(only_inside(10, 20, 50, 51));
}

TEST_F(Fonts, FractionalPositionsAreRoundedUp)
{
    use_font(1, coded_font(320, 248));
    text_print("AB", 10.5, 19.25);
    EXPECT_EQ(pixel(11, 20), coded('A', 0, 0));
    EXPECT_EQ(pixel(50, 50), coded('B', 19, 30));
    EXPECT_TRUE(only_inside(11, 20, 51, 51));
}

TEST_F(Fonts, BytesAreReducedToTheCellsOfTheGrid)
{
    use_font(1, coded_font(320, 248));  // 8 rows: 128 cells of 20 x 31
    text_print("\xC8\x7F", 0, 0);
    EXPECT_EQ(pixel(0, 0), coded(72, 0, 0));  // 200 mod 128
    EXPECT_EQ(pixel(19, 30), coded(72, 19, 30));
    EXPECT_EQ(pixel(20, 0), coded(127, 0, 0));

    use_font(2, coded_font(160, 320));  // 16 rows: 256 cells of 10 x 20
    text_print("\xC8\xFF", 0, 100);
    reread();
    EXPECT_EQ(pixel(0, 100), coded(200, 0, 0));
    EXPECT_EQ(pixel(9, 119), coded(200, 9, 19));
    EXPECT_EQ(pixel(10, 100), coded(255, 0, 0));
}

TEST_F(Fonts, ControlCharactersAreCellsLikeAnyOther)
{
    use_font(1, coded_font(256, 128));
    text_print("a\nb\t", 0, 0);
    const int codes[] = {'a', 10, 'b', 9};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pixel(16 * i + 3, 5), coded(codes[i], 3, 5)) << "character " << i;
    }
    EXPECT_TRUE(only_inside(0, 0, 64, 16));
}

TEST_F(Fonts, EmptyTextDrawsNothing)
{
    use_font(1, coded_font(256, 128));
    text_print("", 10, 10);
    EXPECT_TRUE(only_inside(0, 0, 0, 0));
}

TEST_F(Fonts, NumbersArePrintedByTheNumberToTextRule)
{
    use_font(1, coded_font(256, 128));
    text_print_number(0.5, 32, 0);
    EXPECT_EQ(pixel(32, 0), coded('0', 0, 0));
    EXPECT_EQ(pixel(48, 0), coded('.', 0, 0));
    EXPECT_EQ(pixel(64, 0), coded('5', 0, 0));
    EXPECT_TRUE(only_inside(32, 0, 80, 16));

    reread();
    glClear(GL_COLOR_BUFFER_BIT);
    text_print_number(-12, 0, 0);
    EXPECT_EQ(pixel(0, 0), coded('-', 0, 0));
    EXPECT_EQ(pixel(16, 0), coded('1', 0, 0));
    EXPECT_EQ(pixel(32, 0), coded('2', 0, 0));
    EXPECT_TRUE(only_inside(0, 0, 48, 16));
}

// ---- the built-in font ----

TEST_F(Fonts, BuiltInGlyphsAreWhiteWithANearBlackOutline)
{
    // "g" reaches the cell's bottom row with its outline, code 127 its left column.
    text_load_font("", 0);
    text_print("Ag\x7F.", 100, 50);
    expect_cell(100, 50,
                {"..ooo...",  //
                 ".o###o..",  //
                 ".o#o#o..",  //
                 ".o###o..",  //
                 ".o#o#o..",  //
                 ".o#o#o..",  //
                 "..o.o...",  //
                 "........"});
    expect_cell(108, 50,
                {"........",  //
                 "........",  //
                 "..ooo...",  //
                 ".o###o..",  //
                 ".o###o..",  //
                 "..oo#o..",  //
                 "..o#o...",  //
                 "...o...."});
    expect_cell(116, 50,
                {".ooooo..",  //
                 "o#####o.",  //
                 "o#ooo#o.",  //
                 "o#o.o#o.",  //
                 "o#o.o#o.",  //
                 "o#ooo#o.",  //
                 "o#####o.",  //
                 ".ooooo.."});
    expect_cell(124, 50,
                {"........",  //
                 "........",  //
                 "........",  //
                 "........",  //
                 "........",  //
                 "...o....",  //
                 "..o#o...",  //
                 "...o...."});
    EXPECT_TRUE(only_inside(100, 50, 132, 58));
}

TEST_F(Fonts, BuiltInFontLeavesTheFirst32CellsAndTheSpaceEmpty)
{
    const Image font = builtin_font_image();
    ASSERT_EQ(font.width, 128);
    ASSERT_EQ(font.height, 64);
    ASSERT_EQ(font.rgba.size(), 128u * 64 * 4);
    // Rows 0 and 1 (codes 0..31) and the cell of code 32 are all (0, 0, 0, 0).
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 128; ++x) {
            if (y >= 16 && x >= 8) break;
            const std::uint8_t* p = &font.rgba[(y * 128 + x) * 4];
            ASSERT_EQ(p[0] | p[1] | p[2] | p[3], 0) << x << ", " << y;
        }
    }
    // Every pixel is transparent, white or the outline, and nothing else.
    for (std::size_t i = 0; i < font.rgba.size(); i += 4) {
        const std::uint8_t* p = &font.rgba[i];
        const bool clear = p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0;
        const bool glyph = p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 255;
        const bool edge = p[0] == 8 && p[1] == 8 && p[2] == 8 && p[3] == 255;
        ASSERT_TRUE(clear || glyph || edge) << "pixel " << i / 4;
    }
}

// ---- the start-up frame ----

// Runs the start-up probe with a script from the directory dir; returns the exit code.
int run_probe_script(const std::string& dir, const std::string& script)
{
    write_file(dir + "/script.txt", script);
    return testing_support::run_program(BRILLOX_STARTUP_PROBE, {"return", "--script", "script.txt"},
                                        dir)
        .exit_code;
}

// The font the start-up put into slot 0: "smalfont.bmp" from the program's directory when
// one lies there and loads, else the built-in font.
Image startup_font()
{
    const std::string dir =
        std::filesystem::canonical(BRILLOX_STARTUP_PROBE).parent_path().string();
    const std::string path = platform::resolve_name_ignoring_case(dir + "/smalfont.bmp");
    Image image;
    if (bmp_read(path, colour_key_font, image) || png_read(path, colour_key_font, image)) {
        return image;
    }
    return builtin_font_image();
}

TEST(StartUp, CaptureBeforeTheFirstFrameShowsLoadingCentred)
{
    TempDir start;
    ASSERT_EQ(run_probe_script(start.path(), "capture loading.png\n"), 0);
    const testing_support::RgbPicture frame = testing_support::read_png(start.file("loading.png"));
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 480);

    // The frame as the text must come out: black, with the opaque font pixels of each cell.
    const Image font = startup_font();
    const int rows = font.width < font.height ? 16 : 8;
    const int cw = font.width / 16, ch = font.height / rows;
    ASSERT_GT(cw, 0);
    const int left = (640 - 10 * cw) / 2, top = (480 - ch) / 2;
    std::vector<Rgb> want(640 * 480, Rgb{0, 0, 0});
    const std::string text = "Loading...";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int code = static_cast<unsigned char>(text[i]) % (16 * rows);
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                const int fx = code % 16 * cw + x, fy = code / 16 * ch + y;
                const std::uint8_t* p = &font.rgba[(fy * font.width + fx) * 4];
                if (p[3] <= 38) continue;  // the alpha test
                const int sx = left + static_cast<int>(i) * cw + x;
                if (sx >= 0 && sx < 640) want[(top + y) * 640 + sx] = Rgb{p[0], p[1], p[2]};
            }
        }
    }
    int lit = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            ASSERT_EQ(frame.at(x, y), want[y * 640 + x]) << x << ", " << y;
            if (!(want[y * 640 + x] == Rgb{0, 0, 0})) ++lit;
        }
    }
    EXPECT_GT(lit, 50);  // something was written
}

}  // namespace
