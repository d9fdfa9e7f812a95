// The intro's pictures: the background and the sixteen slides, loaded from res/.
#pragma once

#include <SDL.h>

#include "fader.h"

struct intro_pictures {
    SDL_Surface *background;
    SDL_Surface *slides[slide_count];
};

// Loads one BMP; on failure says on stderr which file and why, and returns null.
SDL_Surface *load_picture(const char *path);

// Loads res/back.dat and res/sl0.dat .. res/sl15.dat; a picture that fails stays null.
void load_pictures(intro_pictures *p);

void free_pictures(intro_pictures *p);
