// File writers: the pictures as 16-bit 5-6-5 BMPs, raw bytes for the icon and resource script.
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

// The pictures' colours already lie on the 5-6-5 grid, so keeping each channel's top bits
// loses nothing; the loader then hands out surfaces in the display's own format, which the
// intro's blits copy without converting.
bool write_bmp(const char *path, const picture &p) {
    enum { file_header = 14, info_header = 40, masks = 12 };
    const unsigned long row_bytes = (static_cast<unsigned long>(p.width) * 2 + 3) / 4 * 4;
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
    put_u16(&o, 16);                                   // bits per pixel
    put_u32(&o, 3);                                    // BI_BITFIELDS: the masks follow
    put_u32(&o, pixel_bytes);
    put_u32(&o, 2835); // 72 dots per inch, across and down
    put_u32(&o, 2835);
    put_u32(&o, 0); // no palette
    put_u32(&o, 0);
    put_u32(&o, 0xF800); // red
    put_u32(&o, 0x07E0); // green
    put_u32(&o, 0x001F); // blue
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) {
            const unsigned char *in = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
            put_u16(&o, static_cast<unsigned>((in[0] >> 3) << 11 | (in[1] >> 2) << 5 | in[2] >> 3));
        }
        for (unsigned long pad = static_cast<unsigned long>(p.width) * 2; pad < row_bytes; ++pad)
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
