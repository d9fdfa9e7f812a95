// Enlarging frames for video: each pixel repeated n times across, each row n times down.
#include "scale.h"

#include <cstring>

void scale_nearest(const unsigned char *src, int w, int h, int src_pitch, int n,
                   unsigned char *dst) {
    const int dst_pitch = w * n * 3;
    for (int y = 0; y < h; ++y) {
        const unsigned char *in = src + y * src_pitch;
        unsigned char *row = dst + static_cast<long>(y) * n * dst_pitch;
        unsigned char *out = row;
        for (int x = 0; x < w; ++x, in += 3)
            for (int k = 0; k < n; ++k, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        for (int k = 1; k < n; ++k)
            std::memcpy(row + k * dst_pitch, row, dst_pitch);
    }
}
