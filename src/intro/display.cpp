// Opening the display, with the checks that keep the intro from drawing where it must not.
#include "display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../gfx/gfx.h"

// SDL quietly falls back to these when no X11 or Wayland display exists; nobody could see
// the intro there, nor press Escape to end it.
static bool is_invisible_driver(const char *name) {
    return std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0 ||
           std::strcmp(name, "evdev") == 0;
}

SDL_Surface *open_display() {
    // Escape is the only way out the intro offers; Ctrl-C and kill still end it at once.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) != 0) {
        std::fprintf(stderr, "intro: no display available: %s\n", SDL_GetError());
        return nullptr;
    }
    char driver[64] = "";
    if (!SDL_VideoDriverName(driver, sizeof driver) || is_invisible_driver(driver)) {
        std::fprintf(stderr, "intro: no display available (no X11 or Wayland display found)\n");
        return nullptr;
    }
    SDL_ShowCursor(SDL_DISABLE);
    SDL_Surface *display = SDL_SetVideoMode(screen_width, screen_height, 16, SDL_FULLSCREEN);
    if (!display) {
        std::fprintf(stderr, "intro: cannot set the 320x240 16-bit display: %s\n", SDL_GetError());
        return nullptr;
    }
    // Plotting takes rows of exactly 320 16-bit pixels.
    if (display->format->BytesPerPixel != 2 || display->pitch != 2 * screen_width) {
        std::fprintf(stderr,
                     "intro: the display came with %d bytes per pixel and %d bytes per row; "
                     "it needs 2 and 640\n",
                     display->format->BytesPerPixel, display->pitch);
        return nullptr;
    }
    screen = display;
    cache_pixel_format(screen->format);
    return screen;
}
