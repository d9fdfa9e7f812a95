// Clipped pixel plotting into the display surface and packing of 8-bit RGB into its pixels.
#include "gfx.h"

SDL_Surface *screen = nullptr;

signed char r_loss;
signed char r_shift;
signed char g_loss;
signed char g_shift;
signed char b_loss;

void cache_pixel_format(const SDL_PixelFormat *format) {
    r_loss = static_cast<signed char>(format->Rloss);
    r_shift = static_cast<signed char>(format->Rshift);
    g_loss = static_cast<signed char>(format->Gloss);
    g_shift = static_cast<signed char>(format->Gshift);
    b_loss = static_cast<signed char>(format->Bloss);
}

int map_rgb(unsigned char r, unsigned char g, unsigned char b) {
    return ((r >> r_loss) << r_shift) | ((g >> g_loss) << g_shift) | (b >> b_loss);
}

void put_pixel_rgb(unsigned x, int y, unsigned char r, unsigned char g, unsigned char b) {
    if (x < screen_width && y >= 0 && y < screen_height)
        static_cast<Uint16 *>(screen->pixels)[y * screen_width + x] =
            static_cast<Uint16>(map_rgb(r, g, b));
}
