// The drawing toolkit: the display surface, its pixel format cache, clipped pixel
// plotting, colour packing and text drawing in an 8x16 glyph font.
#pragma once

#include <SDL.h>

extern SDL_Surface *screen;

// Copied from screen->format once the video mode is set.
extern signed char r_loss;
extern signed char r_shift;
extern signed char g_loss;
extern signed char g_shift;
extern signed char b_loss;

enum { screen_width = 320, screen_height = 240 };

// Fills the five cache globals from a pixel format.
void cache_pixel_format(const SDL_PixelFormat *format);

// Rows are taken as exactly 320 pixels apart; anything outside 320x240 is dropped.
// Defined here so that the scroller's tens of thousands of plots a frame are inlined.
inline void put_pixel(unsigned x, int y, int colour) {
    // A negative x wraps to a huge unsigned value, so one test rejects both sides.
    if (x < screen_width && y >= 0 && y < screen_height)
        static_cast<Uint16 *>(screen->pixels)[y * screen_width + x] = static_cast<Uint16>(colour);
}
int map_rgb(unsigned char r, unsigned char g, unsigned char b);
void put_pixel_rgb(unsigned x, int y, unsigned char r, unsigned char g, unsigned char b);

// Draw the inked pixels of a NUL-terminated string, 8 pixels per character;
// the tall variant draws every glyph row twice.
void draw_text(int x, int y, const char *text, const unsigned char *font, int colour);
void draw_text_tall(int x, int y, const char *text, const unsigned char *font, int colour);
