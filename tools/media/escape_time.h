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

// The same iteration from z with a fixed c, also carrying the derivative dz/dz0, for a
// Julia set. Returns the smoothed escape count (or -1) and, for a point that escaped, the
// estimated distance to the set in the units of z.
struct escape_estimate {
    double smooth, distance;
};

inline escape_estimate julia_escape(double zr, double zi, double cr, double ci, int limit) {
    double dr = 1, di = 0;
    int i = 0;
    for (; i < limit && zr * zr + zi * zi < 65536; ++i) {
        double t = 2 * (zr * dr - zi * di);
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
