// A lost X11 display: Xlib's I/O error handler, which runs when the connection breaks, and
// a guard for the crash of the GL driver when the server goes away while it is set up (and
// for the X error it ends in when a limited address space kept it from loading).
#include "display_loss.h"

#include "out_of_memory.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The one line, written with one write: nothing here may take a lock another thread holds.
static void say_and_leave(const char *line) {
    (void)!write(2, line, std::strlen(line));
    _exit(1);
}

// Xlib calls this on the thread whose request or reply found the connection broken, with
// the connection's lock held, and ends the process with exit(1) if it returns. Neither is
// safe here: the display may not be used again, and exit() runs the libraries' clean-up
// (sdl12-compat unloads SDL2) while SDL's audio thread is still mixing the music, which
// then calls into what was unloaded. So the handler only says what happened and leaves
// with _exit, which ends every thread, the audio thread among them, at once and runs
// nothing else.
static int leave_on_io_error(Display *display) {
    static char line[256];
    std::snprintf(line, sizeof line,
                  "intro: lost the display: the connection to the X server on %s broke\n",
                  DisplayString(display));
    say_and_leave(line);
    return 0;
}

// SDL opened the connection through the same Xlib; the handler serves every connection of
// the process. With SDL on Wayland there is no X connection to break and it never runs.
void leave_when_display_lost() {
    XSetIOErrorHandler(leave_on_io_error);
}

// The sockets of the local X server DISPLAY names (":N" or "unix:N", a screen after a
// dot), a file and, on Linux, an abstract one of the same name, and the line to say when
// it is gone; filled in before the guard is set.
static sockaddr_un x_socket, x_abstract_socket;
static socklen_t x_abstract_size;
static char gone_line[256];
static struct sigaction before_guard;

static bool find_local_x_socket() {
    const char *display = std::getenv("DISPLAY");
    if (!display)
        return false;
    const char *number = std::strncmp(display, "unix:", 5) == 0 ? display + 5
                         : display[0] == ':'                    ? display + 1
                                                                : nullptr;
    if (!number || *number < '0' || *number > '9')
        return false;
    std::memset(&x_socket, 0, sizeof x_socket);
    x_socket.sun_family = AF_UNIX;
    std::snprintf(x_socket.sun_path, sizeof x_socket.sun_path, "/tmp/.X11-unix/X%d",
                  std::atoi(number));
    x_abstract_socket = x_socket;
    std::memcpy(x_abstract_socket.sun_path + 1, x_socket.sun_path, sizeof x_socket.sun_path - 1);
    x_abstract_socket.sun_path[0] = '\0';
    x_abstract_size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 +
                                             std::strlen(x_socket.sun_path));
    std::snprintf(gone_line, sizeof gone_line,
                  "intro: lost the display: the X server on %s went away while the display "
                  "was set up\n",
                  display);
    return true;
}

static bool refuses(const sockaddr_un *address, socklen_t size) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool refused = connect(fd, reinterpret_cast<const sockaddr *>(address), size) != 0 &&
                         (errno == ECONNREFUSED || errno == ENOENT);
    close(fd);
    return refused;
}

// Whether the server no longer takes connections: it may close its clients' connections a
// moment before its own sockets, so it is given half a second to do so. Only calls that
// are safe in a signal handler.
static bool x_server_gone() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (refuses(&x_socket, sizeof x_socket) && refuses(&x_abstract_socket, x_abstract_size))
            return true;
        const timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    return false;
}

// A crash with the server gone is the lost display; any other is put back to whoever
// handled crashes before (the default, or the address sanitizer's report), and the
// faulting instruction, run again on return, crashes as it would have. A SIGSEGV sent by
// kill is sent again, for the same reason.
static void on_crash_during_setup(int, siginfo_t *info, void *) {
    if (x_server_gone())
        say_and_leave(gone_line);
    sigaction(SIGSEGV, &before_guard, nullptr);
    if (info->si_code <= 0)
        raise(SIGSEGV);
}

// Under a limited address space (`ulimit -v`) the GL driver that SDL sets up may fail to
// load or map what it needs and fall back on requests the X server refuses; Xlib's own
// handler would say so in six lines. Any other X error goes to the handler before.
static XErrorHandler before_setup_errors;

static int on_setup_x_error(Display *display, XErrorEvent *error) {
    if (address_space_limited()) {
        char text[128] = "";
        XGetErrorText(display, error->error_code, text, sizeof text);
        char detail[256];
        std::snprintf(detail, sizeof detail, ": the X server refused request %d.%d (%s)",
                      error->request_code, error->minor_code, text);
        leave_out_of_memory(detail);
    }
    return before_setup_errors ? before_setup_errors(display, error) : 0;
}

void guard_display_setup() {
    before_setup_errors = XSetErrorHandler(on_setup_x_error);
    if (!find_local_x_socket())
        return;
    struct sigaction guard;
    std::memset(&guard, 0, sizeof guard);
    guard.sa_sigaction = on_crash_during_setup;
    guard.sa_flags = SA_SIGINFO;
    sigemptyset(&guard.sa_mask);
    sigaction(SIGSEGV, &guard, &before_guard);
}

void end_display_setup_guard() {
    XSetErrorHandler(before_setup_errors);
    if (x_socket.sun_family == AF_UNIX)
        sigaction(SIGSEGV, &before_guard, nullptr);
}
