// File writers: the pictures as 16-bit 5-6-5 or 24-bit BMPs, raw bytes for the icon and resource
// script.
#include "media.h"

#include "bmp_writer.h"

#include <cstdio>

// Either the display's own 5-6-5 (BI_BITFIELDS), which the intro's blits copy without
// converting, or plain 24 bits, which SDL blends onto the display with all 8 bits of a
// surface alpha. For 5-6-5 the colours must already lie on its grid, so keeping each
// channel's top bits loses nothing.
bool write_bmp(const char *path, const picture &p, int bits) {
    bmp_header h;
    h.width = p.width;
    h.height = p.height; // positive: the bottom row comes first
    h.bits = static_cast<unsigned>(bits);
    if (bits == 16) {
        h.compression = 3;
        for (std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) // red, green, blue
            put_le32(&h.masks, mask);
    }
    const size_t row_bytes = (static_cast<size_t>(p.width) * h.bits / 8 + 3) / 4 * 4;
    bmp_bytes pixels;
    for (int y = p.height - 1; y >= 0; --y) {
        const size_t row_start = pixels.size();
        for (int x = 0; x < p.width; ++x) {
            const unsigned char *in = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
            if (bits == 16) {
                put_le16(&pixels, static_cast<unsigned>((in[0] >> 3) << 11 | (in[1] >> 2) << 5 |
                                                        in[2] >> 3));
            } else {
                pixels.push_back(in[2]); // blue, green, red
                pixels.push_back(in[1]);
                pixels.push_back(in[0]);
            }
        }
        pixels.resize(row_start + row_bytes, 0);
    }
    if (!write_bytes(path, bmp_file(h, pixels))) {
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
