// The harness's private X server (see x_server.h).
#include "x_server.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "process.h"

namespace e2e {

// The intro's windows come and go under the harness's feet; an X error about one of them
// must not end the test process, as Xlib's default handler would.
static int note_x_error(Display *, XErrorEvent *) {
    return 0;
}

x_server::~x_server() {
    stop_x_server(this);
}

// Starts ARGV (found on PATH) with its standard streams on /dev/null, `fd3` (unless -1) as
// descriptor 3 and DISPLAY set to `display` (unless null), dying with the test process;
// its pid, or -1 with the reason in *error.
static pid_t start_quietly(std::vector<const char *> argv, int fd3, const char *display,
                           std::string *error) {
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        *error = std::string("fork: ") + std::strerror(errno);
    if (pid != 0)
        return pid;
    die_with_parent(parent);
    if (fd3 >= 0 && dup2(fd3, 3) < 0) // without close-on-exec
        _exit(127);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (display)
        setenv("DISPLAY", display, 1);
    argv.push_back(nullptr);
    execvp(argv[0], const_cast<char *const *>(argv.data()));
    _exit(127);
}

bool start_x_server(x_server *x, std::string *error, const char *screen) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    // Xvfb writes its display number to descriptor 3 (-displayfd).
    x->pid = start_quietly(
        {"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, fds[1],
        nullptr, error);
    close(fds[1]);
    if (x->pid < 0) {
        close(fds[0]);
        return false;
    }

    // Xvfb writes its display number followed by a newline once it accepts connections.
    std::string number;
    const double deadline = now_s() + 20;
    while (number.find('\n') == std::string::npos) {
        const double left = deadline - now_s();
        pollfd p = {fds[0], POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0) {
            *error = "Xvfb gave no display number within 20 s";
            break;
        }
        char buf[32];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) {
            *error = "Xvfb ended without giving a display number (is it installed?)";
            break;
        }
        number.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        stop_x_server(x);
        return false;
    }
    x->number = std::atoi(number.c_str());
    x->name = ":" + std::to_string(x->number);
    XSetErrorHandler(note_x_error);
    x->display = XOpenDisplay(x->name.c_str());
    if (!x->display) {
        *error = "cannot connect to Xvfb on " + x->name;
        stop_x_server(x);
        return false;
    }
    int event_base, error_base, major, minor;
    if (!XTestQueryExtension(x->display, &event_base, &error_base, &major, &minor)) {
        *error = "Xvfb on " + x->name + " has no XTEST extension";
        stop_x_server(x);
        return false;
    }
    return true;
}

// A window manager announces itself with _NET_SUPPORTING_WM_CHECK on the root window.
static bool window_manager_running(Display *d) {
    int format = 0;
    return window_property(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK", &format, XA_WINDOW)
               .size() == 1;
}

bool start_window_manager(x_server *x, std::string *error) {
    const pid_t pid = start_quietly({"openbox", "--sm-disable"}, -1, x->name.c_str(), error);
    if (pid < 0)
        return false;
    x->window_manager = pid;
    const double deadline = now_s() + 20;
    while (!window_manager_running(x->display)) {
        if (now_s() > deadline || waitpid(pid, nullptr, WNOHANG) == pid) {
            x->window_manager = -1;
            *error = "openbox did not take over the screen within 20 s (is it installed?)";
            return false;
        }
        sleep_s(0.01);
    }
    return true;
}

void stop_x_server(x_server *x) {
    if (x->window_manager > 0)
        kill_and_reap(x->window_manager);
    x->window_manager = -1;
    if (x->display)
        XCloseDisplay(x->display);
    x->display = nullptr;
    if (x->pid > 0) {
        // Asked politely, Xvfb removes its socket and lock file; killed, it leaves them.
        kill(x->pid, SIGTERM);
        const double deadline = now_s() + 3;
        pid_t r;
        while ((r = waitpid(x->pid, nullptr, WNOHANG)) == 0 && now_s() < deadline)
            sleep_s(0.005);
        if (r == 0)
            kill_and_reap(x->pid);
    }
    x->pid = -1;
}

static Window first_viewable_window(Display *d) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
                found = children[i];
        }
        if (children)
            XFree(children);
    }
    return found;
}

Window wait_for_window(Display *d, double timeout_s) {
    const double deadline = now_s() + timeout_s;
    do {
        if (const Window w = first_viewable_window(d))
            return w;
        sleep_s(0.01);
    } while (now_s() < deadline);
    return 0;
}

// Whether `inner` is `outer` or lies inside it: a window manager puts the intro's window
// inside a frame of its own, and the focus goes to the intro's window within.
static bool is_within(Display *d, Window inner, Window outer) {
    for (int depth = 0; inner && inner != PointerRoot && depth < 16; ++depth) {
        if (inner == outer)
            return true;
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, inner, &root, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        if (parent == root)
            return false;
        inner = parent;
    }
    return false;
}

Window wait_for_intro_window(Display *d, double timeout_s) {
    const double deadline = now_s() + timeout_s;
    Window candidate = 0;
    double candidate_since = now_s();
    bool replaced = false;
    do {
        const Window w = first_viewable_window(d);
        if (w != candidate) {
            replaced = replaced || candidate != 0;
            candidate = w;
            candidate_since = now_s();
        }
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(d, &focus, &revert);
        // Once a first window has gone, the next one is the one that stays; a window that
        // was never replaced is taken after a second.
        if (w && (focus == PointerRoot || is_within(d, focus, w)) &&
            (replaced || now_s() - candidate_since >= 1.0))
            return w;
        sleep_s(0.01);
    } while (now_s() < deadline);
    return 0;
}

std::vector<unsigned long> window_property(Display *d, Window w, const char *name, int *format,
                                           Atom type) {
    std::vector<unsigned long> items;
    Atom actual;
    unsigned long n, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1 << 20, False, type, &actual,
                           format, &n, &after, &data) != Success ||
        !data)
        return items;
    for (unsigned long i = 0; i < n; ++i)
        items.push_back(*format == 32 ? reinterpret_cast<unsigned long *>(data)[i] : data[i]);
    XFree(data);
    return items;
}

std::string window_title(Display *d, Window w, Atom type) {
    int format = 0;
    std::string title;
    for (unsigned long c : window_property(d, w, "_NET_WM_NAME", &format, type))
        title += static_cast<char>(c);
    return title;
}

} // namespace e2e
