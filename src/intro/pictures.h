// The intro's pictures: the background and the sixteen slides, loaded from res/.
#pragma once

#include <SDL.h>

#include "fader.h"

struct intro_pictures {
    SDL_Surface *background;
    SDL_Surface *slides[slide_count];
};

// Checks a BMP's headers (picture_header.h) and loads it from a stream (null: nothing to
// read), which it closes; `name` is only for messages. On failure says on stderr in one
// line which file and why, and returns null.
SDL_Surface *load_picture_rw(SDL_RWops *stream, const char *name);

// Loads one BMP file, first making sure it is a regular file that can be read; on failure
// says on stderr which file and why, and returns null.
SDL_Surface *load_picture(const char *path);

// Loads background_file and slide_files; a picture that fails stays null.
void load_pictures(intro_pictures *p);

void free_pictures(intro_pictures *p);
