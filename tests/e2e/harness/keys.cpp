// What the user does to the intro's window (see keys.h).
#include "keys.h"

#include <X11/extensions/XTest.h>

#include <cstring>

#include "process.h"

namespace e2e {

void press_key(Display *d, unsigned long keysym, const std::vector<unsigned long> &modifiers) {
    for (unsigned long m : modifiers)
        XTestFakeKeyEvent(d, XKeysymToKeycode(d, m), True, CurrentTime);
    const KeyCode code = XKeysymToKeycode(d, keysym);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        XTestFakeKeyEvent(d, XKeysymToKeycode(d, *m), False, CurrentTime);
    XSync(d, False);
}

void press_and_release_as(Display *d, unsigned long pressed, unsigned long released) {
    const KeyCode code = XKeysymToKeycode(d, pressed);
    int per_code = 0;
    KeySym *old = XGetKeyboardMapping(d, code, 1, &per_code);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XSync(d, False);
    sleep_s(0.1); // seen as pressed before the keyboard changes
    std::vector<KeySym> now(static_cast<size_t>(per_code > 0 ? per_code : 1), released);
    XChangeKeyboardMapping(d, code, static_cast<int>(now.size()), now.data(), 1);
    XSync(d, False);
    sleep_s(0.1);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XSync(d, False);
    sleep_s(0.1);
    if (old) {
        XChangeKeyboardMapping(d, code, per_code, old, 1);
        XFree(old);
    }
    XSync(d, False);
}

void send_close_request(Display *d, Window w) {
    XEvent e;
    std::memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XSync(d, False);
}

void move_pointer(Display *d, int x, int y) {
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
    XSync(d, False);
}

} // namespace e2e
