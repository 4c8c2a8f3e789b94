// The sprite table: images loaded into textures, addressed by the id the program picks
// (0..65519 for images, 65520..65535 for the 16 fonts). Lives in the display object.
#pragma once
#include <cstdint>

#include "core/rt_string.h"
#include "graphics/image.h"

constexpr int font_sprite_base = 65520;  // font n is sprite 65520 + n

// Frees first; a failed load stays empty; silent
void sprite_load(const rt_string& file, double id);
// BMP, else PNG; false leaves the sprite empty
bool sprite_load_file(int id, const std::string& path, int colour_key);
bool sprite_load_image(int id, const Image& image);  // builds the textures from a picture in memory
void sprite_free(int id);                            // safe on an empty sprite
// Copies a back-buffer rectangle; true
bool sprite_grab(double id, double x, double y, double width, double height);
void sprite_get_size(double id, double& width, double& height);  // image size; 0 x 0 when empty
// Tests: grabs read back and key pink even with destination alpha
void sprite_grab_force_read_back(bool on);
