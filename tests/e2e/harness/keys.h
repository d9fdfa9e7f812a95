// What the user does to the intro's window through the X server: keys pressed with XTest,
// the pointer moved, and the window manager's request to close it.
#pragma once

#include <X11/Xlib.h>

#include <vector>

namespace e2e {

// Presses and releases `key` through XTest, holding the `modifiers` keysyms meanwhile.
void press_key(Display *d, unsigned long keysym, const std::vector<unsigned long> &modifiers = {});

// Presses the key that carries `pressed`, makes that key carry `released` instead (as a
// change of keyboard layout while a key is held does), lets it go, and puts the keyboard
// back: the program sees `pressed` go down and `released` come up, nothing else.
void press_and_release_as(Display *d, unsigned long pressed, unsigned long released);

// Sends what a window manager sends when the user closes a window: WM_PROTOCOLS with
// WM_DELETE_WINDOW.
void send_close_request(Display *d, Window w);

// Moves the pointer to (x, y) on the root window through XTest.
void move_pointer(Display *d, int x, int y);

} // namespace e2e
