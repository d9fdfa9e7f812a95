// Loading and freeing the intro's pictures: each file looked at first (media_file.h, then
// its BMP headers), loaded by SDL, and brought to a format every picture blends alike in.
#include "pictures.h"

#include "media_file.h"
#include "messages.h"
#include "picture_header.h"

// A channel of a 16-bit pixel as 8 bits: its level spread evenly over 0..255, rounded.
// (SDL's conversion rounds down: 5-bit green 16 of 31 became 131 of 255 and showed on the
// display's 6-bit green as 32 of 63, where 33 is nearest.)
static Uint8 widen(Uint32 pixel, Uint32 mask, Uint8 shift) {
    const Uint32 top = mask >> shift;
    return static_cast<Uint8>(top ? (((pixel & mask) >> shift) * 255 + top / 2) / top : 0);
}

// 15- and 16-bit pixels other than the display's 5-6-5, widened channel by channel into
// `rgb`.
static void widen_16_bits(SDL_Surface *picture, SDL_Surface *rgb) {
    const SDL_PixelFormat *f = picture->format;
    SDL_LockSurface(picture);
    SDL_LockSurface(rgb);
    for (int y = 0; y < picture->h; ++y) {
        const Uint16 *from = reinterpret_cast<const Uint16 *>(
            static_cast<const Uint8 *>(picture->pixels) + y * picture->pitch);
        Uint8 *to = static_cast<Uint8 *>(rgb->pixels) + y * rgb->pitch;
        for (int x = 0; x < picture->w; ++x) {
            const Uint32 v = from[x];
            // Red in the high byte of a 24-bit pixel stored little-endian: blue first.
            to[3 * x] = widen(v, f->Bmask, f->Bshift);
            to[3 * x + 1] = widen(v, f->Gmask, f->Gshift);
            to[3 * x + 2] = widen(v, f->Rmask, f->Rshift);
        }
    }
    SDL_UnlockSurface(rgb);
    SDL_UnlockSurface(picture);
}

// The loader hands back 1-, 2-, 4- and 8-bit pictures with their palette, 32-bit ones with
// the fourth byte as per-pixel alpha, which then overrides the fade (or, in the
// background, blends it over the previous frame), and 16-bit ones in their own layout.
// Such a picture is redrawn in 24 bits, the fourth byte dropped and 16-bit channels
// widened by rounding, so that every picture blends as its 24-bit twin does. What is
// already in 24 bits or in the display's 5-6-5 comes back as it is. Frees what it is
// given; null if the copy cannot be made.
static SDL_Surface *normalise_picture(SDL_Surface *picture) {
    const SDL_PixelFormat *f = picture->format;
    if (!f->palette && f->Amask == 0 &&
        (f->BitsPerPixel == 24 ||
         (f->BitsPerPixel == 16 && f->Rmask == 0xF800 && f->Gmask == 0x07E0 && f->Bmask == 0x001F)))
        return picture;
    SDL_Surface *rgb = SDL_CreateRGBSurface(SDL_SWSURFACE, picture->w, picture->h, 24, 0xFF0000,
                                            0x00FF00, 0x0000FF, 0);
    if (rgb && !f->palette && f->BytesPerPixel == 2) {
        widen_16_bits(picture, rgb);
    } else if (rgb && (SDL_SetAlpha(picture, 0, SDL_ALPHA_OPAQUE) != 0 ||
                       SDL_BlitSurface(picture, nullptr, rgb, nullptr) != 0)) {
        // Without SDL_SRCALPHA the blit copies the colours and leaves the alpha behind.
        SDL_FreeSurface(rgb);
        rgb = nullptr;
    }
    SDL_FreeSurface(picture);
    return rgb;
}

SDL_Surface *load_picture_rw(SDL_RWops *stream, const char *name) {
    if (!stream) {
        say("cannot read %s: %s; going on without it", name, SDL_GetError());
        return nullptr;
    }
    char why[160];
    if (!check_picture_header(stream, why, sizeof why)) {
        say("not loading %s: %s; going on without it", name, why);
        SDL_RWclose(stream);
        return nullptr;
    }
    SDL_Surface *picture = SDL_LoadBMP_RW(stream, 1);
    if (!picture) {
        say("cannot load %s: %s; going on without it", name, SDL_GetError());
        return nullptr;
    }
    SDL_Surface *normal = normalise_picture(picture);
    if (!normal)
        say("cannot load %s: cannot make it a 24-bit picture: %s; going on without it", name,
            SDL_GetError());
    return normal;
}

SDL_Surface *load_picture(const char *path) {
    char why[160];
    if (!check_readable_file(path, picture_largest_file, why, sizeof why)) {
        say("cannot read %s: %s; going on without it", path, why);
        return nullptr;
    }
    SDL_RWops *stream = SDL_RWFromFile(path, "rb");
    if (!stream) {
        say("cannot open %s: %s; going on without it", path, SDL_GetError());
        return nullptr;
    }
    return load_picture_rw(stream, path);
}

void load_pictures(intro_pictures *p) {
    p->background = load_picture(background_file);
    for (int i = 0; i < slide_count; ++i)
        p->slides[i] = load_picture(slide_files[i]);
}

void free_pictures(intro_pictures *p) {
    for (SDL_Surface *&slide : p->slides) {
        SDL_FreeSurface(slide);
        slide = nullptr;
    }
    SDL_FreeSurface(p->background);
    p->background = nullptr;
}
