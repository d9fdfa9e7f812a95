// Opening the intro's full-screen 320x240 16-bit display, refusing what it cannot draw on.
#pragma once

#include <SDL.h>

// Initialises SDL's video, connecting to the display, and refuses drivers nobody could see.
// On failure says so in one line and returns false.
bool connect_display();

// Once connected: hides the cursor, sets the mode (the window covers the screen) and fills
// the pixel format cache. On failure says so in one line and returns null; `screen` is
// then left null.
SDL_Surface *open_display();
