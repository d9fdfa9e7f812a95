// Opening the display, with the checks that keep the intro from drawing where it must not.
#include "display.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../gfx/gfx.h"
#include "messages.h"
#include "platform/default_hints.h"
#include "platform/display_loss.h"
#include "platform/display_probe.h"
#include "platform/full_screen.h"
#include "platform/said_lines.h"
#include "scaling.h"

// SDL quietly falls back to these when it can open no display; nobody could see the intro
// there, nor press Escape to end it.
static bool is_invisible_driver(const char *name) {
    return std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0 ||
           is_invisible_platform_driver(name);
}

// One line; with no display open there is nothing else to see, so where stderr is unlikely
// to be seen the viewer is shown it, with whatever was said before it.
static void say_failure(const char *format, ...) __attribute__((format(printf, 1, 2)));
static void say_failure(const char *format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    say("%s", line);
    show_said_lines(true);
}

static void say_no_display() {
    say_failure("no display available (%s)", describe_missing_display());
}

// SDL tried the displays the environment names and could open none; its own reason ("No
// available video device", or none when it fell back to an invisible driver) would not
// say which.
static void say_unreachable(const char *sdl_reason) {
    char named[200];
    if (describe_named_displays(named, sizeof named))
        say_failure("no display available: cannot reach %s", named);
    else if (sdl_reason)
        say_failure("no display available: %s", sdl_reason);
    else
        say_no_display();
}

bool connect_display() {
    // Escape is the only way out the intro offers; Ctrl-C and kill still end it at once.
    set_default_hint("SDL_NO_SIGNAL_HANDLERS", "1");
    // Enlarged to the screen, pixel art wants its pixels as sharp blocks, not blurred.
    set_default_hint("SDL12COMPAT_SCALE_METHOD", "nearest");
    set_display_hints();
    if (!display_may_exist()) {
        say_no_display();
        return false;
    }
    // From the moment SDL connects, losing the connection ends the intro in one line.
    leave_when_display_lost();
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) != 0) {
        say_unreachable(SDL_GetError());
        return false;
    }
    char driver[64] = "";
    if (!SDL_VideoDriverName(driver, sizeof driver)) {
        say_unreachable(SDL_GetError());
        return false;
    }
    if (is_invisible_driver(driver)) {
        // SDL falls back to one when it can open nothing else, unless asked for it.
        const char *asked = std::getenv("SDL_VIDEODRIVER");
        if (asked && std::strcmp(asked, driver) == 0)
            say_failure("no display available: SDL's \"%s\" video driver shows nothing", driver);
        else
            say_unreachable(nullptr);
        return false;
    }
    say_when_display_stays_small();
    return true;
}

SDL_Surface *open_display() {
    SDL_ShowCursor(SDL_DISABLE);
    // The window's title, and the taskbar's or dock's name for it.
    SDL_WM_SetCaption("WAVELENGTH", "WAVELENGTH");
    guard_display_setup();
    SDL_Surface *display = SDL_SetVideoMode(screen_width, screen_height, 16,
                                            asks_for_full_screen() ? SDL_FULLSCREEN : 0);
    end_display_setup_guard();
    if (!display) {
        say_failure("cannot set the 320x240 16-bit display: %s", SDL_GetError());
        return nullptr;
    }
    // Plotting takes rows of exactly 320 16-bit pixels.
    if (display->format->BytesPerPixel != 2 || display->pitch != 2 * screen_width) {
        say_failure(
            "the display came with %d bytes per pixel and %d bytes per row; it needs 2 and 640",
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
