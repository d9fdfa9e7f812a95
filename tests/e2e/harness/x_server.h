// The harness's private X server: Xvfb (320x240x16, or a larger screen with the openbox
// window manager, as users have it), the windows on it and their properties.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

struct x_server {
    pid_t pid = -1;
    pid_t window_manager = -1;  // openbox, when started
    int number = -1;            // the display number Xvfb chose through -displayfd
    Display *display = nullptr; // the harness's own connection
    std::string name;           // ":N"
    ~x_server();
};

// Starts `Xvfb -displayfd FD -screen 0 SCREEN -nolisten tcp` and connects to it.
// On failure returns false with the reason in *error.
bool start_x_server(x_server *x, std::string *error, const char *screen = "320x240x16");
void stop_x_server(x_server *x);

// Starts openbox on the server and waits until it manages the screen.
bool start_window_manager(x_server *x, std::string *error);

// Waits until a top-level window is mapped on the server; returns it or 0 on time-out.
Window wait_for_window(Display *d, double timeout_s);

// Waits for the intro's window to be up for good, with the keyboard focus: SDL may map a
// first window and replace it with another while it sets the mode, and keys sent before
// the second one has the focus are lost. Returns the window, or 0 on time-out.
Window wait_for_intro_window(Display *d, double timeout_s);

// A window property of 8- or 32-bit items (32-bit ones come as longs), of any type or only
// of `type`; empty if it has none. *format receives 8 or 32.
std::vector<unsigned long> window_property(Display *d, Window w, const char *name, int *format,
                                           Atom type = AnyPropertyType);

// The window's _NET_WM_NAME (of any type, or only of `type`); empty if it has none.
std::string window_title(Display *d, Window w, Atom type = AnyPropertyType);

} // namespace e2e
