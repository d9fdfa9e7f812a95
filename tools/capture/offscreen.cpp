// Drawing the intro's frames into software surfaces, the same way the intro draws its display.
#include "offscreen.h"

#include <cstdio>

#include "gfx/gfx.h"
#include "intro/media_file.h"
#include "intro/screen_sound_media.h"

bool check_media_file(const char *path, char *error, int error_size) {
    char why[160];
    if (check_readable_file(path, module_largest_file, why, sizeof why))
        return true;
    std::snprintf(error, error_size,
                  "missing media: cannot read %s (%s); run from the folder holding res/", path,
                  why);
    return false;
}

bool open_offscreen_intro(offscreen_intro *o, char *error, int error_size) {
    *o = offscreen_intro{};
    for (const char *path : picture_files)
        if (!check_media_file(path, error, error_size))
            return false;

    intro_prepare(&o->state);
    load_pictures(&o->pictures);
    if (!o->pictures.background) {
        std::snprintf(error, error_size, "cannot load %s", picture_files[0]);
        return false;
    }
    for (int i = 0; i < slide_count; ++i)
        if (!o->pictures.slides[i]) {
            std::snprintf(error, error_size, "cannot load %s", picture_files[1 + i]);
            return false;
        }

    o->display = SDL_CreateRGBSurface(SDL_SWSURFACE, screen_width, screen_height, 16, 0xF800,
                                      0x07E0, 0x001F, 0);
    // Red in the first byte on a little-endian machine: the order ffmpeg's rgb24 wants.
    o->rgb = SDL_CreateRGBSurface(SDL_SWSURFACE, screen_width, screen_height, 24, 0x0000FF,
                                  0x00FF00, 0xFF0000, 0);
    if (!o->display || !o->rgb) {
        std::snprintf(error, error_size, "cannot make the 320x240 drawing surfaces: %s",
                      SDL_GetError());
        return false;
    }
    // Plotting takes rows of exactly 320 16-bit pixels, like the intro's display.
    if (o->display->pitch != 2 * screen_width) {
        std::snprintf(error, error_size, "the drawing surface came with %d bytes per row, not 640",
                      o->display->pitch);
        return false;
    }
    screen = o->display;
    cache_pixel_format(screen->format);
    intro_begin(&o->state);
    return true;
}

void draw_next_frame(offscreen_intro *o) {
    draw_frame(&o->state, &o->pictures);
    ++o->frame;
}

void convert_frame(offscreen_intro *o) {
    SDL_BlitSurface(o->display, nullptr, o->rgb, nullptr);
}

void close_offscreen_intro(offscreen_intro *o) {
    free_pictures(&o->pictures);
    if (screen == o->display)
        screen = nullptr;
    SDL_FreeSurface(o->display);
    SDL_FreeSurface(o->rgb);
    o->display = nullptr;
    o->rgb = nullptr;
}

bool save_frame_bmp(offscreen_intro *o, const char *path) {
    convert_frame(o);
    return SDL_SaveBMP(o->rgb, path) == 0;
}
