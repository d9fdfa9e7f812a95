// File writers: BMP through SDL, raw bytes for the icon and resource script.
#include "media.h"

#include <SDL.h>
#include <cstdio>

bool write_bmp(const char *path, const picture &p) {
    // Masks for B,G,R byte order in memory, which is how a 24-bit BMP stores its pixels.
    SDL_Surface *s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, p.width, p.height, 24, 0xff0000, 0x00ff00, 0x0000ff, 0);
    if (!s)
        return false;
    SDL_LockSurface(s);
    for (int y = 0; y < p.height; ++y) {
        unsigned char *row = static_cast<unsigned char *>(s->pixels) + y * s->pitch;
        for (int x = 0; x < p.width; ++x) {
            const unsigned char *in = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
            row[x * 3 + 0] = in[2];
            row[x * 3 + 1] = in[1];
            row[x * 3 + 2] = in[0];
        }
    }
    SDL_UnlockSurface(s);
    bool ok = SDL_SaveBMP(s, path) == 0;
    if (!ok)
        std::fprintf(stderr, "make-pictures: cannot write %s: %s\n", path, SDL_GetError());
    SDL_FreeSurface(s);
    return ok;
}

bool write_bytes(const char *path, const std::vector<unsigned char> &bytes) {
    FILE *f = std::fopen(path, "wb");
    if (!f) {
        std::perror(path);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
