// The standard streams on Windows. The intro is a GUI program: started from a console it has
// no stderr of its own, and double-clicked it has none at all.
#include "std_streams.h"

#include <windows.h>

#include <cstdio>

// Sockets and files opened through the Windows API are handles, never C runtime
// descriptors, so a closed stream cannot be taken over by one. What remains is where the
// messages go: with stderr redirected to a file or a pipe, there; otherwise to the console
// the intro was started from, if it was started from one.
void keep_std_streams_open() {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err != nullptr && err != INVALID_HANDLE_VALUE)
        return;
    if (AttachConsole(ATTACH_PARENT_PROCESS))
        std::freopen("CONOUT$", "w", stderr);
}

// Windows' sound drivers print nothing of their own.
int hush_stderr() {
    return -1;
}

void restore_stderr(int) {}
