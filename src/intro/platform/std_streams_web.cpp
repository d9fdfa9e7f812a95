// The standard streams in the browser: the page shows every line the intro writes to stderr.
#include "std_streams.h"

// A WebAssembly program starts with its three streams open and cannot lose them.
void keep_std_streams_open() {}

// SDL2's browser audio says nothing while it opens, so there is nothing to hush.
int hush_stderr() {
    return -1;
}

void restore_stderr(int) {}
