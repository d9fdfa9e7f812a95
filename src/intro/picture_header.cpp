// The BMP header check: every field the loader acts on read as it reads it and checked in
// turn, so that a damaged or hostile file is refused before the loader allocates or reads
// what it claims.
#include "picture_header.h"

#include <cstdint>

#include "media_bytes.h"

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

// What the checks look at.
struct bmp_fields {
    std::uint32_t pixel_offset, header_size;
    long width, height;
    std::uint32_t bpp, compression;
};

// Where the fields the checks read end: the pixels may not begin before.
static long fields_end(std::uint32_t header_size) {
    return file_header_size +
           (header_size == core_header_size ? core_header_size : info_header_size);
}

// The BM magic and a header layout the loader knows, there in full.
static bool check_layout(const unsigned char *h, long got, long file_size, char *why,
                         std::size_t why_size) {
    if (got < file_header_size + 4 || h[0] != 'B' || h[1] != 'M')
        return refuse(why, why_size, "not a BMP picture (%ld bytes, no BM header)", file_size);
    const std::uint32_t header_size = read_u32(h + 14);
    if ((header_size != core_header_size && header_size < info_header_size) ||
        header_size > largest_header_size)
        return refuse(why, why_size, "unknown BMP header size %lu",
                      static_cast<unsigned long>(header_size));
    if (got < fields_end(header_size))
        return refuse(why, why_size, "cut short inside its headers (%ld bytes)", file_size);
    return true;
}

// Every field is read as SDL's loader reads it, signed or not, so that what passes here is
// what the loader sees: the old header's width and height are unsigned 16-bit numbers
// (such a picture is never stored top-down).
static bmp_fields read_fields(const unsigned char *h) {
    const unsigned char *info = h + file_header_size;
    bmp_fields f{read_u32(h + 10), read_u32(h + 14), 0, 0, 0, bi_rgb};
    if (f.header_size == core_header_size) {
        f.width = static_cast<long>(read_u16(info + 4));
        f.height = static_cast<long>(read_u16(info + 6));
        f.bpp = read_u16(info + 10);
    } else {
        f.width = read_s32(info + 4);
        f.height = read_s32(info + 8);
        f.bpp = read_u16(info + 14);
        f.compression = read_u32(info + 16);
    }
    return f;
}

static bool check_size(const bmp_fields &f, char *why, std::size_t why_size) {
    if (f.width <= 0 || f.width > picture_max_side || f.height == 0 ||
        f.height > picture_max_side || f.height < -static_cast<long>(picture_max_side))
        return refuse(why, why_size, "refusing its size %ldx%ld (at most %dx%d)", f.width, f.height,
                      picture_max_side, picture_max_side);
    return true;
}

// A palette may list more colours than the depth can index (the loader reads the first
// 2^bits and then seeks to the pixels), so the number of colours is not looked at.
static bool check_depth(const bmp_fields &f, char *why, std::size_t why_size) {
    const std::uint32_t bpp = f.bpp;
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return refuse(why, why_size, "refusing its depth of %lu bits per pixel",
                      static_cast<unsigned long>(bpp));
    return true;
}

static bool is_run_length(const bmp_fields &f) {
    return f.compression == bi_rle8 || f.compression == bi_rle4;
}

static bool check_compression(const bmp_fields &f, char *why, std::size_t why_size) {
    if (f.compression != bi_rgb && f.compression != bi_bitfields && !is_run_length(f))
        return refuse(why, why_size, "refusing its compression type %lu",
                      static_cast<unsigned long>(f.compression));
    if ((f.compression == bi_rle8 && f.bpp != 8) || (f.compression == bi_rle4 && f.bpp != 4))
        return refuse(why, why_size, "run-length compression at %lu bits per pixel",
                      static_cast<unsigned long>(f.bpp));
    // Bitfields are masks for 16- and 32-bit pixels; at 1 bit the same value is OS/2's
    // Huffman compression, and at 24 bits OS/2's run-length encoding, which the loader
    // would take for plain pixels.
    if (f.compression == bi_bitfields && f.bpp != 16 && f.bpp != 32)
        return refuse(why, why_size, "bitfields (compression type 3) at %lu bits per pixel",
                      static_cast<unsigned long>(f.bpp));
    // Run-length data is drawn from the bottom row up; the loader would draw a top-down
    // one upside down.
    if (is_run_length(f) && f.height < 0)
        return refuse(why, why_size, "run-length compression in a top-down picture");
    return true;
}

// Run-length data has no fixed size; it must at least begin inside the file.
static bool check_pixels_in_file(const bmp_fields &f, long file_size, char *why,
                                 std::size_t why_size) {
    const long rows = f.height < 0 ? -f.height : f.height;
    const long row_bytes = (f.width * static_cast<long>(f.bpp) + 31) / 32 * 4;
    const long pixel_bytes = is_run_length(f) ? 1 : row_bytes * rows;
    if (f.pixel_offset < static_cast<std::uint32_t>(fields_end(f.header_size)) ||
        static_cast<long>(f.pixel_offset) > file_size ||
        file_size - static_cast<long>(f.pixel_offset) < pixel_bytes)
        return refuse(why, why_size,
                      "cut short: %ldx%ld at %lu bits needs %ld bytes of pixels from byte %lu, "
                      "the file has %ld bytes",
                      f.width, f.height, static_cast<unsigned long>(f.bpp), pixel_bytes,
                      static_cast<unsigned long>(f.pixel_offset), file_size);
    return true;
}

// The checks proper, on the first bytes of the file and its total length.
static bool check_headers(const unsigned char *h, long got, long file_size, char *why,
                          std::size_t why_size) {
    if (!check_layout(h, got, file_size, why, why_size))
        return false;
    const bmp_fields f = read_fields(h);
    return check_size(f, why, why_size) && check_depth(f, why, why_size) &&
           check_compression(f, why, why_size) && check_pixels_in_file(f, file_size, why, why_size);
}

bool check_picture_header(SDL_RWops *stream, char *why, std::size_t why_size) {
    const long start = SDL_RWtell(stream);
    const long end = SDL_RWseek(stream, 0, RW_SEEK_END);
    if (start < 0 || end < 0 || SDL_RWseek(stream, start, RW_SEEK_SET) != start)
        return refuse(why, why_size, "cannot find its length");
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
