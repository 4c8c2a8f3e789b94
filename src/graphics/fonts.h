// Bitmap fonts: 16 slots of 16-column glyph grids held as sprites 65520..65535, the current
// font, printing text and numbers, and the built-in 8 x 8 font used when a file is missing.
#pragma once
#include "core/rt_string.h"
#include "graphics/image.h"

// Index 0..15 becomes current; missing file: built-in font
void text_load_font(const rt_string& file, double index);
void text_set_font(double index);  // truncated and limited to 0..15
// First cell's top-left corner at (ceil x, ceil y)
void text_print(const rt_string& text, double x, double y);
void text_print_number(double number, double x, double y);  // number-to-text rule, then text_print
void text_get_font_size(double& width, double& height);     // cell size of the current font
int text_current_font();
// Characters the current font has cells for: 256 (Windows-1252) when its image is taller than
// wide, else 128 (ASCII); 0 for a slot never loaded
int text_font_cells();
Image builtin_font_image();  // 128 x 64: white glyphs with a near-black outline
