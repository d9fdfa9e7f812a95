// Display probe on Linux: X11, Wayland and the console's graphics card.
#include "display_probe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

static bool is_set(const char *name) {
    const char *value = std::getenv(name);
    return value && *value;
}

static bool exists(const char *path) {
    struct stat st;
    return stat(path, &st) == 0;
}

// Without DISPLAY, a Wayland socket or a graphics card for the console there is nothing to
// show the intro on. An explicit SDL_VIDEODRIVER is left to SDL to judge.
bool display_may_exist() {
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

bool describe_named_displays(char *text, int size) {
    const char *x11 = std::getenv("DISPLAY"), *wayland = std::getenv("WAYLAND_DISPLAY");
    const bool named_x11 = is_set("DISPLAY"), named_wayland = is_set("WAYLAND_DISPLAY");
    if (named_x11 && named_wayland)
        std::snprintf(text, static_cast<size_t>(size),
                      "the X11 display \"%s\" (DISPLAY) or the Wayland display \"%s\" "
                      "(WAYLAND_DISPLAY)",
                      x11, wayland);
    else if (named_x11)
        std::snprintf(text, static_cast<size_t>(size), "the X11 display \"%s\" (DISPLAY)", x11);
    else if (named_wayland)
        std::snprintf(text, static_cast<size_t>(size),
                      "the Wayland display \"%s\" (WAYLAND_DISPLAY)", wayland);
    return named_x11 || named_wayland;
}

const char *describe_missing_display() {
    return "no X11 or Wayland display found";
}

bool is_invisible_platform_driver(const char *driver) {
    return std::strcmp(driver, "evdev") == 0;
}
