// The intro's pictures: the background and the sixteen slides, loaded from res/.
#pragma once

#include <SDL.h>

#include <cstddef>

#include "fader.h"

struct intro_pictures {
    SDL_Surface *background;
    SDL_Surface *slides[slide_count];
};

// Reads the BMP headers at the stream's position and says whether the loader may be
// trusted with the file: known header layout, width 1..picture_max_side, height non-zero
// and at most picture_max_side either way (negative is a top-down picture), a depth of
// 1, 2, 4, 8, 16, 24 or 32 bits, run-length compression only at 4 and 8 bits and
// bottom-up, bitfields only at 16 and 32 bits, and a file long enough for the pixels it
// claims. Seeks back to where it started. On refusal writes the reason
// into `why` (without the file's name) and returns false.
bool check_picture_header(SDL_RWops *stream, char *why, std::size_t why_size);

// Checks and loads a BMP from a stream (null: nothing to read), which it closes; `name` is
// only for messages.
// On failure says on stderr in one line which file and why, and returns null.
SDL_Surface *load_picture_rw(SDL_RWops *stream, const char *name);

// Loads one BMP file, first making sure it is a regular file that can be read; on failure
// says on stderr which file and why, and returns null.
SDL_Surface *load_picture(const char *path);

// Loads res/back.dat and res/sl0.dat .. res/sl15.dat; a picture that fails stays null.
void load_pictures(intro_pictures *p);

void free_pictures(intro_pictures *p);
