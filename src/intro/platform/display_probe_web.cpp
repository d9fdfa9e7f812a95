// Display probe for the browser: the page always holds the intro's canvas.
#include "display_probe.h"

bool display_may_exist() {
    return true;
}

// The page names no display of its own: the canvas is the display.
bool describe_named_displays(char *, int) {
    return false;
}

const char *describe_missing_display() {
    return "no canvas found on the page";
}

bool is_invisible_platform_driver(const char *) {
    return false;
}
