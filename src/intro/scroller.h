// The wave scroller: a column buffer of finished pixel values that takes a new glyph
// every third frame, shifts three columns a frame and is plotted bent by two sine waves.
#pragma once

#include "screen_sound_media.h"

struct scroller_state {
    int sine[scroller_sine_size];
    // Cell (col, row) at col * scroller_rows + row; 0 is an empty cell.
    int cells[scroller_columns * scroller_rows];
    const char *text;
    const char *cursor;
};

// Builds the sine table, clears the buffer and puts the cursor on the text's first character.
void scroller_prepare(scroller_state *s, const char *text);

// Renders glyph c of the scroll font into the seven columns ending at the last drawn one,
// with the band's gradient.
void scroller_render_glyph(scroller_state *s, unsigned char c);

// One frame: the glyph step when (frame_counter / 2) % 3 == 0, then shift and plot.
void scroller_step(scroller_state *s, int frame_counter);

// The message the intro scrolls.
extern const char scroll_text[];
