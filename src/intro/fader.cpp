// The slide cross-fader's state and per-frame step.
#include "fader.h"

#include "../gfx/gfx.h"

void fader_reset(fader_state *f) {
    f->alpha = 1;
    f->step = 1;
    f->fade_count = 0;
    f->position = SDL_Rect{panel_x, panel_y, 0, 0};
}

int fader_slide_index(const fader_state *f) {
    return f->fade_count / 2 % slide_count;
}

void fader_step(fader_state *f, SDL_Surface *const slides[slide_count], int frame_counter) {
    if (frame_counter <= fader_starts_above)
        return;
    SDL_Surface *slide = slides[fader_slide_index(f)];
    if (slide) {
        SDL_SetAlpha(slide, SDL_SRCALPHA | SDL_RLEACCEL, static_cast<Uint8>(f->alpha & 0xFF));
        SDL_Rect position = f->position; // the blit writes back the clipped rectangle
        SDL_UpperBlit(slide, nullptr, screen, &position);
    }
    // Turns at 0 and at 255: alpha - 1 as unsigned exceeds 253 exactly there.
    if (static_cast<unsigned>(f->alpha - 1) > 253) {
        f->step = -f->step;
        ++f->fade_count;
    }
    f->alpha += f->step;
}
