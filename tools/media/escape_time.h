// The escape-time iteration z -> z^2 + c that the Mandelbrot and Julia slides colour.
#pragma once

#include <cmath>

// Iterates from z until |z| reaches 16 or `limit` steps pass. Returns the smoothed
// (fractional) escape count, or -1 for a point that never escaped.
inline double escape_time(double zr, double zi, double cr, double ci, int limit) {
    int i = 0;
    for (; i < limit && zr * zr + zi * zi < 256; ++i) {
        double t = zr * zr - zi * zi + cr;
        zi = 2 * zr * zi + ci;
        zr = t;
    }
    if (i == limit)
        return -1;
    return i + 1 - std::log(std::log(std::sqrt(zr * zr + zi * zi))) / std::log(2.0);
}
