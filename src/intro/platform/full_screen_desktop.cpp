// The display on desktops: SDL shows it full screen.
#include "full_screen.h"

bool asks_for_full_screen() {
    return true;
}

void set_display_hints() {}
