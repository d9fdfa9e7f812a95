// Nearest-neighbour enlargement of 24-bit pictures by a whole factor.
#pragma once

// Writes the w x h picture `src` (3 bytes per pixel, rows `src_pitch` bytes apart) into
// `dst` as a (w * n) x (h * n) picture with tightly packed rows: every pixel becomes an
// n x n block.
void scale_nearest(const unsigned char *src, int w, int h, int src_pitch, int n,
                   unsigned char *dst);
