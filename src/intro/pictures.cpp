// Loading and freeing the intro's pictures, with a look at each BMP's headers first so
// that a damaged or hostile file is refused before the loader acts on what it claims.
#include "pictures.h"

#include <cstdint>
#include <cstdio>

#include "media_file.h"
#include "messages.h"

static std::uint32_t read_u16(const unsigned char *p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8);
}

static std::uint32_t read_u32(const unsigned char *p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

static std::int32_t read_s32(const unsigned char *p) {
    return static_cast<std::int32_t>(read_u32(p));
}

enum {
    file_header_size = 14,
    core_header_size = 12, // the old OS/2 layout: 16-bit width and height
    info_header_size = 40,
    largest_header_size = 124, // the version 5 header
    bi_rgb = 0,
    bi_rle8 = 1,
    bi_rle4 = 2,
    bi_bitfields = 3,
};

// The checks proper, on the first bytes of the file and its total length.
static bool check_headers(const unsigned char *h, long got, long file_size, char *why,
                          std::size_t why_size) {
    if (got < file_header_size + 4 || h[0] != 'B' || h[1] != 'M') {
        std::snprintf(why, why_size, "not a BMP picture (%ld bytes, no BM header)", file_size);
        return false;
    }
    const std::uint32_t pixel_offset = read_u32(h + 10);
    const std::uint32_t header_size = read_u32(h + 14);
    if (header_size != core_header_size && header_size < info_header_size) {
        std::snprintf(why, why_size, "unknown BMP header size %lu",
                      static_cast<unsigned long>(header_size));
        return false;
    }
    if (header_size > largest_header_size) {
        std::snprintf(why, why_size, "unknown BMP header size %lu",
                      static_cast<unsigned long>(header_size));
        return false;
    }
    const long needed = file_header_size + (header_size == core_header_size ? 12 : 40);
    if (got < needed) {
        std::snprintf(why, why_size, "cut short inside its headers (%ld bytes)", file_size);
        return false;
    }
    const unsigned char *info = h + file_header_size;
    long width, height;
    std::uint32_t bpp, compression = bi_rgb;
    // Every field is read as SDL's loader reads it, signed or not, so that what passes
    // here is what the loader sees: the old header's width and height are unsigned
    // 16-bit numbers (such a picture is never stored top-down).
    if (header_size == core_header_size) {
        width = static_cast<long>(read_u16(info + 4));
        height = static_cast<long>(read_u16(info + 6));
        bpp = read_u16(info + 10);
    } else {
        width = read_s32(info + 4);
        height = read_s32(info + 8);
        bpp = read_u16(info + 14);
        compression = read_u32(info + 16);
    }
    if (width <= 0 || width > picture_max_side || height == 0 || height > picture_max_side ||
        height < -static_cast<long>(picture_max_side)) {
        std::snprintf(why, why_size, "refusing its size %ldx%ld (at most %dx%d)", width, height,
                      picture_max_side, picture_max_side);
        return false;
    }
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        std::snprintf(why, why_size, "refusing its depth of %lu bits per pixel",
                      static_cast<unsigned long>(bpp));
        return false;
    }
    // A palette may list more colours than the depth can index (the loader reads the first
    // 2^bits and then seeks to the pixels), so the number of colours is not looked at.
    const bool rle = compression == bi_rle8 || compression == bi_rle4;
    if (compression != bi_rgb && compression != bi_bitfields && !rle) {
        std::snprintf(why, why_size, "refusing its compression type %lu",
                      static_cast<unsigned long>(compression));
        return false;
    }
    if ((compression == bi_rle8 && bpp != 8) || (compression == bi_rle4 && bpp != 4)) {
        std::snprintf(why, why_size, "run-length compression at %lu bits per pixel",
                      static_cast<unsigned long>(bpp));
        return false;
    }
    // Bitfields are masks for 16- and 32-bit pixels; at 1 bit the same value is OS/2's
    // Huffman compression, and at 24 bits OS/2's run-length encoding, which the loader
    // would take for plain pixels.
    if (compression == bi_bitfields && bpp != 16 && bpp != 32) {
        std::snprintf(why, why_size, "bitfields (compression type 3) at %lu bits per pixel",
                      static_cast<unsigned long>(bpp));
        return false;
    }
    // Run-length data is drawn from the bottom row up; the loader would draw a top-down
    // one upside down.
    if (rle && height < 0) {
        std::snprintf(why, why_size, "run-length compression in a top-down picture");
        return false;
    }
    // Run-length data has no fixed size; it must at least begin inside the file.
    const long rows = height < 0 ? -height : height;
    const long row_bytes = (width * static_cast<long>(bpp) + 31) / 32 * 4;
    const long pixel_bytes = rle ? 1 : row_bytes * rows;
    if (pixel_offset < static_cast<std::uint32_t>(needed) ||
        static_cast<long>(pixel_offset) > file_size ||
        file_size - static_cast<long>(pixel_offset) < pixel_bytes) {
        std::snprintf(why, why_size,
                      "cut short: %ldx%ld at %lu bits needs %ld bytes of pixels from byte %lu, "
                      "the file has %ld bytes",
                      width, height, static_cast<unsigned long>(bpp), pixel_bytes,
                      static_cast<unsigned long>(pixel_offset), file_size);
        return false;
    }
    return true;
}

bool check_picture_header(SDL_RWops *stream, char *why, std::size_t why_size) {
    const long start = SDL_RWtell(stream);
    const long end = SDL_RWseek(stream, 0, RW_SEEK_END);
    if (start < 0 || end < 0 || SDL_RWseek(stream, start, RW_SEEK_SET) != start) {
        std::snprintf(why, why_size, "cannot find its length");
        return false;
    }
    unsigned char h[file_header_size + largest_header_size] = {};
    long got = 0;
    while (got < static_cast<long>(sizeof h)) {
        const int n = SDL_RWread(stream, h + got, 1, static_cast<int>(sizeof h) - got);
        if (n <= 0)
            break;
        got += n;
    }
    const bool ok = check_headers(h, got, end - start, why, why_size);
    SDL_RWseek(stream, start, RW_SEEK_SET);
    return ok;
}

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
