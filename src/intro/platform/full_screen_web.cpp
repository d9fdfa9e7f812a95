// The display in the browser: a 320x240 canvas that the page enlarges and makes full screen.
#include "full_screen.h"

bool asks_for_full_screen() {
    return false;
}
