// BMP files as bytes: make-pictures writes the intro's pictures with it, and the tests their
// fixtures, valid and damaged, in every header layout the loader reads.
#pragma once

#include <cstdint>
#include <vector>

using bmp_bytes = std::vector<unsigned char>;

void put_le16(bmp_bytes *out, unsigned v);
void put_le32(bmp_bytes *out, std::uint32_t v);

struct bmp_header {
    std::int32_t width = 0, height = 0; // a negative height stores the rows top-down
    unsigned bits = 24;
    std::uint32_t compression = 0; // 0 plain, 1 and 2 run-length at 8 and 4 bits, 3 bitfields
    bmp_bytes masks;               // bitfield masks, 4 bytes each
    bmp_bytes palette;             // blue, green, red and 0 for each colour
    bool version4 = false; // a 108-byte header holding the four masks and the sRGB colour space
};

// The file: its header, the info header, the masks (after a 40-byte header), the palette,
// then `pixels` exactly as given (rows padded by the caller).
bmp_bytes bmp_file(const bmp_header &h, const bmp_bytes &pixels);

// The same with the old 12-byte OS/2 header, whose width and height are unsigned 16-bit.
bmp_bytes bmp_core_file(unsigned width, unsigned height, unsigned bits, const bmp_bytes &pixels);
