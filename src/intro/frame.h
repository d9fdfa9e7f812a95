// Drawing one frame of the intro: the step that the intro's loop and the capture tool share.
#pragma once

#include "fader.h"
#include "pictures.h"
#include "scroller.h"

// Where the counter is brought back, and by how much: a multiple of 750 that leaves it at
// 1,251 or more, so it never overflows and the fader never sees it at 800 or below.
enum : int {
    frame_counter_wrap_above = 2000000000,
    frame_counter_wrap_by = 750 * 2666665,
};

struct intro_state {
    int frame_counter; // 251 before the first frame, +2 at the head of each frame (see above)
    scroller_state scroller;
    fader_state fader;
};

// Sine table and empty column buffer; done before anything is loaded.
void intro_prepare(intro_state *s);

// The state the first frame starts from: fader at rest, cursor on the text, counter 251.
void intro_begin(intro_state *s);

// Advances the frame counter and draws background (black without one), slide and scroller
// into `screen`.
void draw_frame(intro_state *s, const intro_pictures *pictures);
