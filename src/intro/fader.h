// The slide cross-fader: the slides fade in and out in turn in the panel.
#pragma once

#include <SDL.h>

#include "screen_sound_media.h"

struct fader_state {
    int alpha;      // alpha of the current frame; its low 8 bits go to the blit
    int step;       // +1 fading in, -1 fading out
    int fade_count; // turning points passed; the slide shown is fade_count / 2 % 16
    SDL_Rect position;
};

void fader_reset(fader_state *f);

// Index of the slide the next step shows.
int fader_slide_index(const fader_state *f);

// One frame: idle until the frame counter passes fader_starts_above, then blends the current slide
// onto the screen and moves alpha one step. A missing slide leaves its panel empty
// for its whole turn without disturbing the timing.
void fader_step(fader_state *f, SDL_Surface *const slides[slide_count], int frame_counter);
