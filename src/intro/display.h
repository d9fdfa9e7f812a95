// Opening the intro's full-screen 320x240 16-bit display, refusing what it cannot draw on.
#pragma once

#include <SDL.h>

// Initialises video, hides the cursor, sets the mode and fills the pixel format cache.
// On failure prints one line on stderr and returns null; `screen` is then left null.
SDL_Surface *open_display();
