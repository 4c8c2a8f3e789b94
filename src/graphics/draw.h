// Drawing into the back buffer: sprites, stretched sprites, filled rectangles, lines and
// points, the frozen background picture and the alpha mode. Positions are screen pixels
// from the viewport's top-left corner; colours are R + G * 256 + B * 65536.
#pragma once

void sprite_bind(int id, int second_id, int second_texture);  // id < 0: untextured
void sprite_draw(double id, double x, double y);              // top-left corner at (ceil x, ceil y)
// One negative size culls it
void sprite_draw_stretched(double id, double x, double y, double width, double height);
// Both corners inside
void screen_draw_rect(double x1, double y1, double x2, double y2, double colour);
// Both end points set
void screen_draw_line(double x1, double y1, double x2, double y2, double colour);
void screen_draw_point(double x, double y, double colour);
void screen_use_as_background();  // copies the back buffer into background slot 0
// 0 opaque, > 0 additive, < 0 alpha blend; |mode| is the intensity
void screen_set_alpha_mode(double mode);

// Sprites of up to 256 x 256 texels are drawn from shared atlas textures, and consecutive ones
// reach GL as one batch, sent before any other drawing, state change, read-back or swap.
// Off, every sprite binds its own texture and is drawn at once; both draw the same pixels.
// The environment setting BRILLOX_SPRITE_BATCHING=0 starts the display with batching off.
void screen_set_sprite_batching(bool on);
void screen_flush_sprites();  // sends waiting sprite quads; for code that calls GL itself
