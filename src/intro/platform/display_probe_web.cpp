// Display probe for the browser: the page always holds the intro's canvas.
#include "display_probe.h"

bool display_may_exist() {
    return true;
}

// The page names no display of its own: the canvas is the display.
bool describe_named_displays(char *, int) {
    return false;
}
