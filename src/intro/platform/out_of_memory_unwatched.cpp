// Running out of address space where the intro does not watch for it (Windows, the
// browser): a library's crash stays what it is.
#include "out_of_memory.h"

#include <cstdio>
#include <cstdlib>

void say_when_memory_runs_out() {}

void set_memory_use(const char *) {}

bool address_space_limited() {
    return false;
}

void leave_out_of_memory(const char *detail) {
    std::fprintf(stderr, "intro: out of memory%s\n", detail);
    std::_Exit(1);
}
