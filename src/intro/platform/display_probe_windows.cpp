// Display probe for Windows: there is always a desktop; SDL says so if it cannot open it.
#include "display_probe.h"

bool display_may_exist() {
    return true;
}

// Windows names no display; SDL's own reason says why the desktop could not be used.
bool describe_named_displays(char *, int) {
    return false;
}

const char *describe_missing_display() {
    return "no Windows desktop found";
}

bool is_invisible_platform_driver(const char *) {
    return false;
}
