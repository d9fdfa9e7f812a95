// The look at a BMP's headers before SDL's loader is trusted with the file.
#pragma once

#include <SDL.h>

#include <cstddef>

#include "screen_sound_media.h" // picture_max_side

// Reads the BMP headers at the stream's position and says whether the loader may be
// trusted with the file: known header layout, width 1..picture_max_side, height non-zero
// and at most picture_max_side either way (negative is a top-down picture), a depth of
// 1, 2, 4, 8, 16, 24 or 32 bits, run-length compression only at 4 and 8 bits and
// bottom-up, bitfields only at 16 and 32 bits, and a file long enough for the pixels it
// claims. Seeks back to where it started. On refusal writes the reason
// into `why` (without the file's name) and returns false.
bool check_picture_header(SDL_RWops *stream, char *why, std::size_t why_size);
