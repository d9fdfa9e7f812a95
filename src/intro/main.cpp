// The intro: start-up, the frame loop that runs until Escape, and shut-down.
#include <SDL.h>

#include "../gfx/gfx.h"
#include "display.h"
#include "frame.h"
#include "sound.h"

// Drains the event queue; only Escape going down means anything.
static bool escape_pressed() {
    bool escape = false;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)
            escape = true;
    return escape;
}

int main(int, char **) {
    static intro_state state; // the scroller's tables are too big to want on the stack
    intro_prepare(&state);

    intro_pictures pictures;
    load_pictures(&pictures);

    if (!open_display()) {
        free_pictures(&pictures);
        SDL_Quit();
        return 1;
    }

    intro_sound sound;
    start_sound(&sound);

    intro_begin(&state);
    bool running = true;
    while (running) {
        draw_frame(&state, &pictures);
        if (escape_pressed()) {
            halt_sound(&sound);
            running = false;
        }
        SDL_Flip(screen);
        SDL_Delay(40);
    }

    free_pictures(&pictures);
    close_sound(&sound);
    SDL_Quit();
    return 0;
}
