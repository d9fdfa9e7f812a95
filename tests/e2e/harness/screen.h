// The intro's 320x240 display as the harness sees it: grabbed from the X server's root
// window (XGetImage), read from BMPs as SDL reads them, compared and written out for looking
// at a failure.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "intro/screen_sound_media.h"

namespace e2e {

enum { width = screen_width, height = screen_height };

// The RGB565 value SDL's blit gives an 8-bit colour: each channel truncated.
inline std::uint16_t rgb565(unsigned r, unsigned g, unsigned b) {
    return static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}
inline std::uint16_t narrow_565(std::uint32_t v) {
    return rgb565(v >> 16, v >> 8 & 0xFF, v & 0xFF);
}

// A 5-6-5 value widened to 8 bits a channel, the top bits repeated into the new low bits.
inline std::uint32_t widen_565(std::uint16_t v) {
    const std::uint32_t r = v >> 11, g = v >> 5 & 63, b = v & 31;
    return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

// The whole root window, whatever its size and depth, as 0xRRGGBB values row by row; each
// channel widened to 8 bits the usual way, so a 5-6-5 server reads like a 24-bit one
// showing the same colours.
struct rgb_image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};
rgb_image grab_screen_rgb(Display *d);

// The 320x240 display as a larger screen shows it, enlarged `scale` times with its top-left
// corner at (x, y): each block's top-left pixel, narrowed to 5-6-5. Empty if it does not fit.
std::vector<std::uint16_t> shrink_screen(const rgb_image &shot, int scale, int x, int y);

// The root window's top-left 320x240 pixels as RGB565 values, row by row (76800 of them).
std::vector<std::uint16_t> grab_screen(Display *d);

// Binary PPMs, for looking at a failure; a 5-6-5 image must be 320x240.
bool write_ppm(const std::string &path, const rgb_image &image);
bool write_ppm(const std::string &path, const std::vector<std::uint16_t> &pixels);

// Loads a BMP as SDL does: every pixel as 0xRRGGBB, or converted to RGB565 by truncation;
// empty on failure. *w and *h receive its size.
std::vector<std::uint32_t> bmp_as_rgb(const std::string &path, int *w, int *h);
std::vector<std::uint16_t> bmp_as_565(const std::string &path, int *w, int *h);

// Pixels in which two 320x240 screens differ; -1 if their sizes differ.
long differences(const std::vector<std::uint16_t> &a, const std::vector<std::uint16_t> &b);

// The rows above the slide panel and the scroller show the background: the intro is drawing.
bool shows_background_top(const std::vector<std::uint16_t> &shot,
                          const std::vector<std::uint16_t> &background);

// The scroller has put text on the display: it differs from the background in more than 200
// pixels.
bool shows_text(const std::vector<std::uint16_t> &shot,
                const std::vector<std::uint16_t> &background);

// The slide panel shows a picture: its left part, where the scroller never
// reaches, differs from the background.
bool shows_slide(const std::vector<std::uint16_t> &shot,
                 const std::vector<std::uint16_t> &background);
bool shows_text_and_slide(const std::vector<std::uint16_t> &shot,
                          const std::vector<std::uint16_t> &background);

// How far the slide panel of `screen` (5-6-5) lies from `slide` blended over
// `background` (both 0xRRGGBB, the background 320x240) with 8 bits of alpha: the largest
// difference in levels of any channel. Only the panel's columns left of x = 121 count,
// where the scroller never draws.
int panel_off_blend(const std::vector<std::uint16_t> &screen,
                    const std::vector<std::uint32_t> &background,
                    const std::vector<std::uint32_t> &slide, int slide_w, int slide_h, int alpha);

// Whether the cursor the server shows now (XFixes) has no visible pixel; false also when
// the server cannot tell.
bool cursor_is_invisible(Display *d);

} // namespace e2e
