// 24-bit pictures for tests, in the layout SDL's BMP loader returns.
#include "surfaces.h"

SDL_Surface *surface24(int w, int h, Uint32 colour) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    if (s)
        SDL_FillRect(s, nullptr, colour);
    return s;
}

SDL_Surface *surface24(int w, int h, const std::function<Uint32(int x, int y)> &colour_at) {
    SDL_Surface *s = surface24(w, h, 0);
    if (!s)
        return nullptr;
    SDL_LockSurface(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Uint32 c = colour_at(x, y);
            Uint8 *p = static_cast<Uint8 *>(s->pixels) + y * s->pitch + x * 3;
            p[0] = static_cast<Uint8>(c); // blue, green, red in memory
            p[1] = static_cast<Uint8>(c >> 8);
            p[2] = static_cast<Uint8>(c >> 16);
        }
    SDL_UnlockSurface(s);
    return s;
}
