// What the graphics files share among themselves and nobody else calls: emptying a sprite's
// textures, the textured quad every sprite and background tile is drawn with, texture unit 1,
// and how sprite textures are made. Outside src/graphics/ use display.h, sprites.h and draw.h.
#pragma once
#include <cstdint>

// Deletes both textures (if GL is ready) and the mask; sizes -1/-1 and 0/0
void screen_empty_sprite(int id);
// One quad over the screen rectangle (left, top)-(right, bottom) with texture coordinates
// (0, 0)-(s, t); counter-clockwise in GL terms (so drawn) when right > left and bottom > top.
void screen_textured_quad(float left, float top, float right, float bottom, float s, float t);
void screen_texture_unit1_off();  // with multitexturing: unit 1 off and unit 0 active; else nothing

// A texture as sprites have them: RGBA8 with wrap mode repeat, linear or nearest filtering;
// texels may be null for a block to be filled later.
std::uint32_t new_sprite_texture(const std::uint8_t* texels, int tw, int th, bool nearest);
void sprite_make_due_second_texture(int id);  // the mip-mapped copy, made at the sprite's first
                                              // bind
