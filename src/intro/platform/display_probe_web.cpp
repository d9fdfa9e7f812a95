// Display probe for the browser: the page always holds the intro's canvas.
#include "display_probe.h"

#include <cstdlib>

bool display_may_exist() {
    return true;
}

void set_default_hint(const char *name, const char *value) {
    setenv(name, value, 0);
}
