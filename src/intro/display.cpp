// Opening the display, with the checks that keep the intro from drawing where it must not.
#include "display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "../gfx/gfx.h"
#include "scaling.h"

// SDL quietly falls back to these when no X11 or Wayland display exists; nobody could see
// the intro there, nor press Escape to end it.
static bool is_invisible_driver(const char *name) {
    return std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0 ||
           std::strcmp(name, "evdev") == 0;
}

static void say_no_display() {
    std::fprintf(stderr, "intro: no display available (no X11 or Wayland display found)\n");
}

static bool is_set(const char *name) {
    const char *value = std::getenv(name);
    return value && *value;
}

static bool exists(const char *path) {
    struct stat st;
    return stat(path, &st) == 0;
}

// Without DISPLAY, a Wayland socket or a graphics card for the console there is nothing to
// show the intro on. Asking SDL anyway only adds the Wayland client library's complaints on
// stderr before SDL falls back to an invisible driver. An explicit SDL_VIDEODRIVER is left
// to SDL to judge.
static bool may_have_display() {
    if (is_set("SDL_VIDEODRIVER") || is_set("DISPLAY") || is_set("WAYLAND_DISPLAY"))
        return true;
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR")) {
        char socket[512];
        std::snprintf(socket, sizeof socket, "%s/wayland-0", runtime);
        if (exists(socket))
            return true;
    }
    return exists("/dev/dri/card0");
}

SDL_Surface *open_display() {
    // Escape is the only way out the intro offers; Ctrl-C and kill still end it at once.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
    // Enlarged to the screen, pixel art wants its pixels as sharp blocks, not blurred.
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    if (!may_have_display()) {
        say_no_display();
        return nullptr;
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) != 0) {
        std::fprintf(stderr, "intro: no display available: %s\n", SDL_GetError());
        return nullptr;
    }
    char driver[64] = "";
    if (!SDL_VideoDriverName(driver, sizeof driver) || is_invisible_driver(driver)) {
        say_no_display();
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
    use_whole_number_scaling();
    // The surface may come with whatever its memory held; without a background picture
    // the intro would show that, so it starts black.
    SDL_FillRect(display, nullptr, 0);
    screen = display;
    cache_pixel_format(screen->format);
    return screen;
}
