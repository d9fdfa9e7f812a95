// The display in the browser: a 320x240 canvas that the page enlarges and makes full screen.
#include "full_screen.h"

#include "default_hints.h"

bool asks_for_full_screen() {
    return false;
}

// The layer asks SDL2 for a high-DPI window by default, and SDL2's browser backend then
// makes the canvas's backing store 320x240 times the devicePixelRatio (400x300 at 1.25)
// while the picture is put 320x240 into its top-left corner.
void set_display_hints() {
    set_default_hint("SDL12COMPAT_HIGHDPI", "0");
}
