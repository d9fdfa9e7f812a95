// What make-pictures draws and the file writers it uses.
#pragma once

#include "canvas.h"
#include "intro/screen_sound_media.h" // the slides' size is the panel's

// The title logo, drawn over `c` with its letters' top-left corner at (x, y).
void draw_logo(canvas &c, double x, double y, double letter_height);
// One letter of the logo's alphabet: signed distance in letter units (letters are 10 units
// tall, y downwards), its width, and the chrome-and-copper fill at height v (0 top, 1 bottom).
double logo_letter_distance(char name, double x, double y);
double logo_letter_width(char name);
colour logo_chrome(double v);
canvas draw_background();
canvas draw_slide(int index); // 0..15, each panel_width x panel_height

// Writes the nine-image icon (48, 32, 16 pixels at 4, 8 and 32 bits per pixel).
bool write_icon(const char *path);
// The same art drawn at `size` pixels square as an RGBA PNG.
bool write_icon_png(const char *path, int size);

// A Windows BMP of 16 bits, 5-6-5 (BI_BITFIELDS; the colours must already lie on the
// 5-6-5 grid), or of 24 bits.
bool write_bmp(const char *path, const picture &p, int bits);
bool write_bytes(const char *path, const std::vector<unsigned char> &bytes);
