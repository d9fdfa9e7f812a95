// Text drawing in an 8x16 glyph font, at the font's height and at double height.
#include "gfx.h"

// Plots the inked bits 1..7 of one glyph row byte; bit m lands at x + 8 - m, bit 0 never.
static void plot_row(int x, int y, unsigned char bits, int colour) {
    for (int m = 1; m <= 7; ++m)
        if (bits >> m & 1)
            put_pixel(static_cast<unsigned>(x + 8 - m), y, colour);
}

static void draw_string(int x, int y, const char *text, const unsigned char *font, int colour,
                        int row_height) {
    for (int k = 0; text[k] != '\0'; ++k) {
        const unsigned char *glyph = font + static_cast<unsigned char>(text[k]) * 16;
        for (int r = 0; r < 15 * row_height; ++r)
            plot_row(x + 8 * k, y + r, glyph[r / row_height], colour);
    }
}

void draw_text(int x, int y, const char *text, const unsigned char *font, int colour) {
    draw_string(x, y, text, font, colour, 1);
}

void draw_text_tall(int x, int y, const char *text, const unsigned char *font, int colour) {
    draw_string(x, y, text, font, colour, 2);
}
