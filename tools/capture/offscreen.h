// The intro drawn without a display: its own frame step on a 320x240 5-6-5 software
// surface, read back as 24-bit pixels.
#pragma once

#include <SDL.h>

#include "intro/frame.h"

struct offscreen_intro {
    intro_state state;
    intro_pictures pictures;
    SDL_Surface *display; // 320x240 16-bit 5-6-5, installed as `screen`
    SDL_Surface *rgb;     // 320x240 24-bit, bytes red, green, blue
    int frame;            // frames drawn so far; the last one drawn is number `frame`
};

// Checks that a media file is a regular file that can be read; on failure one line in `error`.
bool check_media_file(const char *path, char *error, int error_size);

// Prepares the intro and loads its pictures; on failure one line in `error`.
bool open_offscreen_intro(offscreen_intro *o, char *error, int error_size);

// Draws the next frame through the intro's own frame step.
void draw_next_frame(offscreen_intro *o);

// Converts the last frame drawn into `rgb`.
void convert_frame(offscreen_intro *o);

void close_offscreen_intro(offscreen_intro *o);

// Saves the last frame as a 24-bit BMP; false on failure.
bool save_frame_bmp(offscreen_intro *o, const char *path);
