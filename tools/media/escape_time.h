// The escape-time iteration z -> z^2 + c that the Mandelbrot and Julia slides colour.
#pragma once

#include <cmath>

struct escape_estimate {
    double smooth;   // the smoothed (fractional) escape count, or -1 for a point that stayed
    double distance; // for a point that escaped, its estimated distance to the set
};

// Iterates from z with a fixed c until |z| reaches 256 or `limit` steps pass. The derivative
// carried along is taken by the plane's own point: by c for the Mandelbrot set (z starts at
// 0), by the starting z for a Julia set; the distance is in that plane's units.
inline escape_estimate escape_time(double zr, double zi, double cr, double ci, int limit,
                                   bool by_c) {
    double dr = by_c ? 0 : 1, di = 0;
    int i = 0;
    for (; i < limit && zr * zr + zi * zi < 65536; ++i) {
        double t = 2 * (zr * dr - zi * di) + (by_c ? 1 : 0);
        di = 2 * (zr * di + zi * dr);
        dr = t;
        t = zr * zr - zi * zi + cr;
        zi = 2 * zr * zi + ci;
        zr = t;
    }
    if (i == limit)
        return {-1, 0};
    double modulus = std::sqrt(zr * zr + zi * zi);
    return {i + 1 - std::log(std::log(modulus)) / std::log(2.0),
            modulus * std::log(modulus) / std::sqrt(dr * dr + di * di)};
}
