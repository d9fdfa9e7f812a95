// File writers: BMP through SDL, PNG through libpng, raw bytes for the icon and resource script.
#include "media.h"

#include <SDL.h>
#include <cstdio>
#include <png.h>

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

bool write_png(const char *path, const picture &p) {
    FILE *f = std::fopen(path, "wb");
    if (!f) {
        std::perror(path);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        std::fprintf(stderr, "make-pictures: cannot write %s\n", path);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, p.width, p.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < p.height; ++y)
        png_write_row(png, &p.rgb[static_cast<size_t>(y) * p.width * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
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
