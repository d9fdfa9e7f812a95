// A lost X11 display: Xlib's I/O error handler, which runs when the connection breaks.
#include "display_loss.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

// Xlib calls this on the thread whose request or reply found the connection broken, with
// the connection's lock held, and ends the process with exit(1) if it returns. Neither is
// safe here: the display may not be used again, and exit() runs the libraries' clean-up
// (sdl12-compat unloads SDL2) while SDL's audio thread is still mixing the music, which
// then calls into what was unloaded. So the handler only says what happened, with one
// write, and leaves with _exit, which ends every thread, the audio thread among them, at
// once and runs nothing else.
static int leave_on_io_error(Display *display) {
    const int error = errno;
    char line[256];
    const int n = std::snprintf(line, sizeof line,
                                "intro: lost the display: the connection to the X server on %s "
                                "broke (%s)\n",
                                DisplayString(display), std::strerror(error ? error : EPIPE));
    if (n > 0)
        (void)!write(2, line,
                     static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n)
                                                          : sizeof line - 1);
    _exit(1);
}

// SDL opened the connection through the same Xlib; the handler serves every connection of
// the process. With SDL on Wayland there is no X connection to break and it never runs.
void leave_when_display_lost() {
    XSetIOErrorHandler(leave_on_io_error);
}
