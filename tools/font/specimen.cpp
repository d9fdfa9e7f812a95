// Renders the scroll font's specimen sheet as a PNG: all 256 glyphs at 3x on a 16x16 grid
// with their codes, sample lines in the scroller's double-height red-to-yellow look, and one
// frame of the real scroller pass.

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "font/scroll_font.h"
#include "gfx/gfx.h"
#include "intro/screen_sound_media.h"
#include "intro/scroller.h"
#include "png_file.h"

namespace {

struct rgb {
    unsigned char r, g, b;
};

struct canvas {
    int width, height;
    std::vector<unsigned char> pixels; // 3 bytes a pixel, rows top to bottom
};

void fill_rect(canvas *c, int x, int y, int w, int h, rgb colour) {
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx) {
            if (xx < 0 || yy < 0 || xx >= c->width || yy >= c->height)
                continue;
            unsigned char *p = &c->pixels[(yy * c->width + xx) * 3];
            p[0] = colour.r;
            p[1] = colour.g;
            p[2] = colour.b;
        }
}

bool inked(unsigned char code, int row, int col) {
    return (scroll_font[code * 16 + row] >> (7 - col)) & 1;
}

// A glyph's full 8x16 cell at `scale` pixels a dot.
void draw_glyph(canvas *c, int x, int y, unsigned char code, int scale, rgb ink) {
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 8; ++col)
            if (inked(code, row, col))
                fill_rect(c, x + col * scale, y + row * scale, scale, scale, ink);
}

// Plain text at `scale`, one 8-pixel cell per character, rows 2 to 14 of each glyph.
void draw_string(canvas *c, int x, int y, const char *text, int scale, rgb ink) {
    for (int k = 0; text[k]; ++k)
        for (int row = 2; row < 15; ++row)
            for (int col = 0; col < 8; ++col)
                if (inked(static_cast<unsigned char>(text[k]), row, col))
                    fill_rect(c, x + (k * 8 + col) * scale, y + (row - 2) * scale, scale, scale,
                              ink);
}

// A line the way the scroller draws it, without its waves: glyph rows 2 to 14 twice each
// (26 band rows), columns 0 to 6, nine columns a character, every cell a 2x2 dot one pixel
// from the next, coloured by band row. Returns the width used in screen pixels.
int draw_band_line(canvas *c, int x, int y, const char *text, int scale) {
    int col = 0;
    for (int k = 0; text[k]; ++k, col += 9)
        for (int band_row = 0; band_row < 26; ++band_row) {
            const rgb colour = {static_cast<unsigned char>(158 + 2 * band_row),
                                static_cast<unsigned char>(28 + 7 * band_row),
                                static_cast<unsigned char>(12 + 3 * band_row)};
            for (int m = 0; m < 7; ++m)
                if (inked(static_cast<unsigned char>(text[k]), 2 + band_row / 2, m))
                    fill_rect(c, x + (col + m) * scale, y + band_row * scale, 2 * scale, 2 * scale,
                              colour);
        }
    return col + 1;
}

// The part of the screen the scroller's dots and shadow can reach.
enum { band_left = 140, band_top = 84, band_right = 320, band_bottom = 210 };

// Runs the scroller's own pass over `text` on a 320x240 5-6-5 surface and copies the band's
// part of the frame in which the band is full to the canvas at 3x.
void draw_scroller_frame(canvas *c, int x, int y, const char *text) {
    static Uint16 store[screen_width * screen_height];
    SDL_Surface *surface =
        SDL_CreateRGBSurfaceFrom(store, screen_width, screen_height, screen_depth, 2 * screen_width,
                                 0xF800, 0x07E0, 0x001F, 0);
    screen = surface;
    cache_pixel_format(surface->format);
    static scroller_state state;
    scroller_prepare(&state, text);
    const Uint16 backdrop = static_cast<Uint16>(map_rgb(40, 48, 88));
    for (int frame = 1; frame <= 72; ++frame) {
        const int frame_counter = frame_counter_in_frame(frame);
        for (int i = 0; i < screen_width * screen_height; ++i)
            store[i] = backdrop;
        scroller_step(&state, frame_counter);
    }
    for (int sy = band_top; sy < band_bottom; ++sy)
        for (int sx = band_left; sx < band_right; ++sx) {
            const Uint16 p = store[sy * screen_width + sx];
            const rgb colour = {static_cast<unsigned char>((p >> 11) << 3),
                                static_cast<unsigned char>(((p >> 5) & 63) << 2),
                                static_cast<unsigned char>((p & 31) << 3)};
            fill_rect(c, x + (sx - band_left) * 3, y + (sy - band_top) * 3, 3, 3, colour);
        }
    screen = nullptr;
    SDL_FreeSurface(surface);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: font-specimen OUTPUT.png\n");
        return 2;
    }
    const rgb paper = {24, 26, 36};
    const rgb cell_paper = {36, 40, 56};
    const rgb drawn_rows = {46, 52, 74}; // rows 2 to 14, columns 0 to 6: what the scroller shows
    const rgb ink = {250, 236, 200};
    const rgb label = {130, 140, 170};
    const rgb heading = {230, 200, 120};

    const int margin = 24, cell_w = 40, cell_h = 70, scale = 3;
    const int grid_y = 80;
    const int band_y = grid_y + 16 * cell_h + 40;
    const int band_scale = 2, band_line_h = 27 * band_scale + 14;
    const char *band_lines[] = {
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
        "abcdefghijklmnopqrstuvwxyz",
        "0123456789 !?.,:;'\"()+-*/=$%&@#",
        "WAVELENGTH \3\3\3\3 sine scrollers!",
    };
    const int frame_y = band_y + 4 * band_line_h + 40;

    canvas c;
    c.width = 2 * margin + 16 * cell_w;
    c.height = frame_y + (band_bottom - band_top) * 3 + margin;
    c.pixels.assign(static_cast<size_t>(c.width) * c.height * 3, 0);
    fill_rect(&c, 0, 0, c.width, c.height, paper);

    draw_string(&c, margin, margin, "WAVELENGTH scroll font", 3, heading);

    for (int code = 0; code < 256; ++code) {
        const int x = margin + (code % 16) * cell_w;
        const int y = grid_y + (code / 16) * cell_h;
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", code);
        draw_string(&c, x + 4, y, hex, 1, label);
        const int gx = x + 4, gy = y + 16;
        fill_rect(&c, gx, gy, 8 * scale, 16 * scale, cell_paper);
        fill_rect(&c, gx, gy + 2 * scale, 7 * scale, 13 * scale, drawn_rows);
        draw_glyph(&c, gx, gy, static_cast<unsigned char>(code), scale, ink);
    }

    draw_string(&c, margin, band_y - 30, "In the scroller (without its waves), 2x:", 2, heading);
    for (int i = 0; i < 4; ++i)
        draw_band_line(&c, margin, band_y + i * band_line_h, band_lines[i], band_scale);

    draw_string(&c, margin, frame_y - 30, "One frame of the scroller, 3x:", 2, heading);
    draw_scroller_frame(&c, margin, frame_y, "Hello sine lovers, WAVELENGTH greets you all! ");

    if (!write_rgb_png(argv[1], c.width, c.height, c.pixels.data())) {
        std::fprintf(stderr, "font-specimen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
