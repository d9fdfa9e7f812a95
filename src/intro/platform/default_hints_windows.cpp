// Default hints on Windows, where the environment has two copies: the process's own, which
// sdl12-compat reads with GetEnvironmentVariableA as it loads (and SDL2 would, built without
// a C runtime), and the C runtime's, which getenv reads: SDL2.dll as built here, linked
// with the same msvcrt.dll as the intro, and the intro's own look at the scaling method.
#include "default_hints.h"

#include <windows.h>

#include <cstdlib>

void set_default_hint(const char *name, const char *value) {
    // 0 when it is unset or empty; its length, or the room it needs, when it has a value.
    char set[2];
    if (GetEnvironmentVariableA(name, set, sizeof set) > 0)
        return;
    SetEnvironmentVariableA(name, value);
    _putenv_s(name, value);
}
