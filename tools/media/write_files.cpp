// File writers: the pictures as 16-bit 5-6-5 or 24-bit BMPs, raw bytes for the icon and resource
// script.
#include "media.h"

#include <cstdio>

static void put_u16(std::vector<unsigned char> *o, unsigned v) {
    o->push_back(static_cast<unsigned char>(v & 0xFF));
    o->push_back(static_cast<unsigned char>(v >> 8 & 0xFF));
}

static void put_u32(std::vector<unsigned char> *o, unsigned long v) {
    put_u16(o, static_cast<unsigned>(v & 0xFFFF));
    put_u16(o, static_cast<unsigned>(v >> 16 & 0xFFFF));
}

// Either the display's own 5-6-5 (BI_BITFIELDS), which the intro's blits copy without
// converting, or plain 24 bits, which SDL blends onto the display with all 8 bits of a
// surface alpha. For 5-6-5 the colours must already lie on its grid, so keeping each
// channel's top bits loses nothing.
bool write_bmp(const char *path, const picture &p, int bits) {
    enum { file_header = 14, info_header = 40 };
    const unsigned long masks = bits == 16 ? 12 : 0;
    const unsigned long row_bytes =
        (static_cast<unsigned long>(p.width) * static_cast<unsigned>(bits) / 8 + 3) / 4 * 4;
    const unsigned long pixel_bytes = row_bytes * static_cast<unsigned long>(p.height);
    const unsigned long offset = file_header + info_header + masks;
    std::vector<unsigned char> o;
    o.reserve(offset + pixel_bytes);
    o.push_back('B');
    o.push_back('M');
    put_u32(&o, offset + pixel_bytes);
    put_u32(&o, 0); // reserved
    put_u32(&o, offset);
    put_u32(&o, info_header);
    put_u32(&o, static_cast<unsigned long>(p.width));
    put_u32(&o, static_cast<unsigned long>(p.height)); // positive: the bottom row comes first
    put_u16(&o, 1);                                    // planes
    put_u16(&o, static_cast<unsigned>(bits));          // bits per pixel
    put_u32(&o, bits == 16 ? 3 : 0);                   // BI_BITFIELDS (masks follow) or BI_RGB
    put_u32(&o, pixel_bytes);
    put_u32(&o, 2835); // 72 dots per inch, across and down
    put_u32(&o, 2835);
    put_u32(&o, 0); // no palette
    put_u32(&o, 0);
    if (bits == 16) {
        put_u32(&o, 0xF800); // red
        put_u32(&o, 0x07E0); // green
        put_u32(&o, 0x001F); // blue
    }
    for (int y = p.height - 1; y >= 0; --y) {
        const size_t row_start = o.size();
        for (int x = 0; x < p.width; ++x) {
            const unsigned char *in = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
            if (bits == 16) {
                put_u16(&o,
                        static_cast<unsigned>((in[0] >> 3) << 11 | (in[1] >> 2) << 5 | in[2] >> 3));
            } else {
                o.push_back(in[2]); // blue, green, red
                o.push_back(in[1]);
                o.push_back(in[0]);
            }
        }
        while (o.size() - row_start < row_bytes)
            o.push_back(0);
    }
    if (!write_bytes(path, o)) {
        std::fprintf(stderr, "make-pictures: cannot write %s\n", path);
        return false;
    }
    return true;
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
