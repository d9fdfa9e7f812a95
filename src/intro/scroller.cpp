// The wave scroller's table preparation, glyph rendering and per-frame shift-and-plot pass.
#include "scroller.h"

#include <cmath>
#include <cstring>

#include "../font/scroll_font.h"
#include "../gfx/gfx.h"

void scroller_prepare(scroller_state *s, const char *text) {
    // 3.14 rather than pi: the table stops just short of a full period, as the wave was tuned.
    for (int i = 0; i < scroller_sine_size; ++i)
        s->sine[i] = static_cast<int>(30.0 * std::sin(i * 3.14 / 125.0));
    std::memset(s->cells, 0, sizeof s->cells);
    s->text = text;
    s->cursor = text;
}

void scroller_render_glyph(scroller_state *s, unsigned char c) {
    const unsigned char *glyph = scroll_font + c * 16;
    for (int k = 0; k < scroller_rows; ++k) {
        const unsigned char bits = glyph[2 + k / 2];
        const int colour = map_rgb(158 + 2 * k, 28 + 7 * k, 12 + 3 * k);
        for (int m = 1; m <= 7; ++m)
            s->cells[(scroller_drawn_columns + 1 - m) * scroller_rows + k] =
                (bits >> m) & 1 ? colour : 0;
    }
}

static void glyph_step(scroller_state *s) {
    const unsigned char c = static_cast<unsigned char>(*s->cursor);
    scroller_render_glyph(s, c);
    s->cursor = c ? s->cursor + 1 : s->text;
}

void scroller_step(scroller_state *s, int frame_counter) {
    if (frame_counter / 2 % 3 == 0)
        glyph_step(s);

    for (int col = 0; col < scroller_drawn_columns; ++col) {
        for (int row = 0; row < scroller_rows; ++row) {
            // In place: the source, scroller_shift columns right, has not been overwritten yet.
            const int v = s->cells[(col + scroller_shift) * scroller_rows + row];
            s->cells[col * scroller_rows + row] = v;
            if (v == 0)
                continue;
            const int x = scroller_band_x + col + s->sine[col + row];
            const int y =
                scroller_band_y + row + s->sine[(frame_counter + col + row) % scroller_sine_size];
            const int sx = x + scroller_shadow_dx, sy = y + scroller_shadow_dy;
            put_pixel(sx, sy, 0);
            put_pixel(sx + 1, sy, 0);
            put_pixel(sx, sy + 1, 0);
            put_pixel(sx + 1, sy + 1, 0);
            put_pixel(x, y, v);
            put_pixel(x + 1, y, v);
            put_pixel(x, y + 1, v);
            put_pixel(x + 1, y + 1, v);
        }
    }
}
