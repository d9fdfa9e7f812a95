// Drawing one frame of the intro: the step that the intro's loop and the capture tool share.
#pragma once

#include "fader.h"
#include "pictures.h"
#include "scroller.h"

struct intro_state {
    int frame_counter; // see screen_sound_media.h
    scroller_state scroller;
    fader_state fader;
};

// Sine table and empty column buffer; done before anything is loaded.
void intro_prepare(intro_state *s);

// The state the first frame starts from: fader at rest, cursor on the text, counter at its start.
void intro_begin(intro_state *s);

// Advances the frame counter and draws background (black without one), slide and scroller
// into `screen`.
void draw_frame(intro_state *s, const intro_pictures *pictures);
