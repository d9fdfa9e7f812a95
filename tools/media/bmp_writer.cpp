// BMP files as bytes: the file header, the info header in the layout asked for, and what
// follows it.
#include "bmp_writer.h"

void put_le16(bmp_bytes *out, unsigned v) {
    out->push_back(static_cast<unsigned char>(v & 0xFF));
    out->push_back(static_cast<unsigned char>(v >> 8 & 0xFF));
}

void put_le32(bmp_bytes *out, std::uint32_t v) {
    put_le16(out, v & 0xFFFF);
    put_le16(out, v >> 16);
}

static bmp_bytes file_header(std::uint32_t offset, std::uint32_t pixel_bytes) {
    bmp_bytes b = {'B', 'M'};
    put_le32(&b, offset + pixel_bytes);
    put_le32(&b, 0); // reserved
    put_le32(&b, offset);
    return b;
}

bmp_bytes bmp_file(const bmp_header &h, const bmp_bytes &pixels) {
    const std::uint32_t info = h.version4 ? 108 : 40;
    const std::uint32_t after = h.version4 ? 0 : static_cast<std::uint32_t>(h.masks.size());
    const std::uint32_t offset = 14 + info + after + static_cast<std::uint32_t>(h.palette.size());
    bmp_bytes b = file_header(offset, static_cast<std::uint32_t>(pixels.size()));
    put_le32(&b, info);
    put_le32(&b, static_cast<std::uint32_t>(h.width));
    put_le32(&b, static_cast<std::uint32_t>(h.height));
    put_le16(&b, 1); // planes
    put_le16(&b, h.bits);
    put_le32(&b, h.compression);
    put_le32(&b, static_cast<std::uint32_t>(pixels.size()));
    put_le32(&b, 2835); // 72 dots per inch, across and down
    put_le32(&b, 2835);
    put_le32(&b, static_cast<std::uint32_t>(h.palette.size() / 4));
    put_le32(&b, 0); // every colour important
    b.insert(b.end(), h.masks.begin(), h.masks.end());
    if (h.version4) {
        put_le32(&b, 0x73524742);      // "sRGB"
        b.insert(b.end(), 36 + 12, 0); // its end points and gamma, unused
    }
    b.insert(b.end(), h.palette.begin(), h.palette.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

bmp_bytes bmp_core_file(unsigned width, unsigned height, unsigned bits, const bmp_bytes &pixels) {
    bmp_bytes b = file_header(14 + 12, static_cast<std::uint32_t>(pixels.size()));
    put_le32(&b, 12);
    put_le16(&b, width);
    put_le16(&b, height);
    put_le16(&b, 1);
    put_le16(&b, bits);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}
