// Default hints on POSIX systems: the libraries read the process environment with getenv.
#include "default_hints.h"

#include <cstdlib>

void set_default_hint(const char *name, const char *value) {
    setenv(name, value, 0);
}
