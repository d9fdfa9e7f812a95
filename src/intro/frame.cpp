// One frame of the intro: background, cross-faded slide, then the scroller over both.
#include "frame.h"

#include "../gfx/gfx.h"

void intro_prepare(intro_state *s) {
    scroller_prepare(&s->scroller, scroll_text);
}

void intro_begin(intro_state *s) {
    fader_reset(&s->fader);
    s->scroller.cursor = s->scroller.text;
    s->frame_counter = frame_counter_start;
}

void draw_frame(intro_state *s, const intro_pictures *pictures) {
    // 750 counts are whole periods of both the glyph cadence (6 counts) and the wave (250
    // counts), so taking them off leaves every frame as it was. Done well before the
    // counter, or the counter plus a cell's place in the wave, could overflow.
    if (s->frame_counter > frame_counter_wrap_above)
        s->frame_counter -= frame_counter_wrap_by;
    s->frame_counter += frame_counter_step;
    if (pictures->background) {
        SDL_Rect origin = {0, 0, 0, 0};
        SDL_UpperBlit(pictures->background, nullptr, screen, &origin);
    } else {
        // Nothing else covers the last frame: without this the scroller's trail piles up.
        SDL_FillRect(screen, nullptr, 0);
    }
    fader_step(&s->fader, pictures->slides, s->frame_counter);

    // The scroller writes straight into the pixels; some drivers want the surface locked.
    const bool lock = SDL_MUSTLOCK(screen);
    if (lock && SDL_LockSurface(screen) != 0)
        return;
    scroller_step(&s->scroller, s->frame_counter);
    if (lock)
        SDL_UnlockSurface(screen);
}
