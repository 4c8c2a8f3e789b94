// Bitmap font files read as the runtime reads them (a 16-column grid of cells, pure black
// transparent), and whether a captured frame shows a text drawn in such a font unscaled.
#pragma once
#include <string>

#include "support/png_picture.h"

namespace testing_support {

struct FontSheet {
    RgbPicture picture;                              // 0 x 0 when the file is no 24-bit BMP
    int cell_width = 0, cell_height = 0, cells = 0;  // 128 or 256 cells
};

FontSheet read_font(const std::string& bmp_path);  // a 24-bit uncompressed BMP font image

// The text's bytes (the font's code page) as printed at (x, y): how many of the non-black
// glyph pixels the frame shows in another colour, "" when none, else a line saying how many
// and where the first one is. Pixels the glyphs leave transparent are not looked at, nor rows
// from below_y on (a text drawn into a strip that was cut there).
std::string text_mismatch(const RgbPicture& frame, const FontSheet& font, const std::string& text,
                          int x, int y, int below_y = 1 << 30);

}  // namespace testing_support
