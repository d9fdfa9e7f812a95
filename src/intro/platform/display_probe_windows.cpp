// Display probe for Windows: there is always a desktop; SDL says so if it cannot open it.
#include "display_probe.h"

#include <cstdlib>

bool display_may_exist() {
    return true;
}

// Windows names no display; SDL's own reason says why the desktop could not be used.
bool describe_named_displays(char *, int) {
    return false;
}

// SDL.dll reads its hints with getenv from the same C runtime, so the C runtime's copy of
// the environment is the one to set.
void set_default_hint(const char *name, const char *value) {
    const char *set = std::getenv(name);
    if (!set || !*set)
        _putenv_s(name, value);
}
