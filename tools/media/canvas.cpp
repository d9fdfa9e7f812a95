// Canvas helpers: colour arithmetic, the shared ramps, hashed noise and 565 dithering.
#include "canvas.h"

#include <cmath>

canvas make_canvas(int width, int height, colour fill) {
    canvas c{width, height, {}};
    c.pixels.assign(static_cast<size_t>(width) * height, fill);
    return c;
}

colour mix(colour a, colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
colour scale(colour a, double k) {
    return {a.r * k, a.g * k, a.b * k};
}
colour add(colour a, colour b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
double clamp01(double v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
double smoothstep(double e0, double e1, double v) {
    double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
double fract(double v) {
    return v - std::floor(v);
}

static colour ramp(const colour *stops, int count, double t) {
    t = clamp01(t) * (count - 1);
    int i = static_cast<int>(t);
    if (i >= count - 1)
        return stops[count - 1];
    return mix(stops[i], stops[i + 1], t - i);
}

static colour rgb8(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0};
}

colour warm_ramp(double t) {
    static const colour stops[] = {rgb8(0, 0, 0),       rgb8(22, 12, 58),   rgb8(70, 24, 104),
                                   rgb8(150, 40, 98),   rgb8(222, 96, 46),  rgb8(252, 176, 60),
                                   rgb8(255, 232, 150), rgb8(255, 255, 236)};
    return ramp(stops, 8, t);
}

colour cool_ramp(double t) {
    static const colour stops[] = {rgb8(0, 0, 0),      rgb8(10, 16, 60),    rgb8(20, 60, 120),
                                   rgb8(20, 140, 170), rgb8(110, 220, 240), rgb8(245, 255, 255)};
    return ramp(stops, 6, t);
}

colour cycle_ramp(double t) {
    static const colour stops[] = {rgb8(24, 14, 66),   rgb8(96, 36, 140),   rgb8(200, 70, 90),
                                   rgb8(246, 150, 50), rgb8(255, 226, 120), rgb8(60, 180, 190),
                                   rgb8(24, 60, 120),  rgb8(24, 14, 66)};
    return ramp(stops, 8, fract(t));
}

uint32_t hash3(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
                 static_cast<uint32_t>(seed) * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

double hash_unit(int x, int y, int seed) {
    return (hash3(x, y, seed) >> 8) / 16777216.0;
}

double value_noise(double x, double y, int seed) {
    double fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    double a = hash_unit(ix, iy, seed), b = hash_unit(ix + 1, iy, seed);
    double c = hash_unit(ix, iy + 1, seed), d = hash_unit(ix + 1, iy + 1, seed);
    double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

double fractal_noise(double x, double y, int octaves, int seed) {
    double sum = 0, amplitude = 0.5, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += value_noise(x, y, seed + i * 101) * amplitude;
        total += amplitude;
        amplitude *= 0.5;
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 9.7;
    }
    return sum / total;
}

// The level of a channel of `bits` bits that an ordered dither with `threshold` picks.
static int dither_level(double v, int bits, double threshold) {
    int levels = (1 << bits) - 1;
    int q = static_cast<int>(std::floor(clamp01(v) * levels + threshold));
    if (q > levels)
        q = levels;
    if (q < 0)
        q = 0;
    return q;
}

// A level as the 8-bit value a 5-6-5 display shows for it: the top bits repeated below.
static int level_as_shown(int q, int bits) {
    return bits == 5 ? (q << 3) | (q >> 2) : (q << 2) | (q >> 4);
}

// Ordered dither of `c` onto the 5-6-5 levels; `as_8_bits(level, bits, x, y, channel)`
// gives the 8-bit value stored for the level picked for a channel of pixel (x, y).
template <typename Store> static picture dither_to_565(const canvas &c, Store as_8_bits) {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    picture p{c.width, c.height, {}};
    p.rgb.resize(static_cast<size_t>(c.width) * c.height * 3);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const colour &px = pixel_at(c, x, y);
            const double threshold = (bayer[y & 3][x & 3] + 0.5) / 16.0;
            const double channels[3] = {px.r, px.g, px.b};
            unsigned char *out = &p.rgb[(static_cast<size_t>(y) * c.width + x) * 3];
            for (int k = 0; k < 3; ++k) {
                const int bits = k == 1 ? 6 : 5;
                out[k] = static_cast<unsigned char>(
                    as_8_bits(dither_level(channels[k], bits, threshold), bits, x, y, k));
            }
        }
    return p;
}

picture to_565_picture(const canvas &c) {
    return dither_to_565(c, [](int q, int bits, int, int, int) { return level_as_shown(q, bits); });
}

// Level q of `bits` bits as one of the 8-bit values the display cuts down to q, picked by
// `h` but at least one away from either end: 8q+1 .. 8q+6, or 4q+1 .. 4q+2 for green.
static int inside_level(int q, int bits, uint32_t h) {
    return bits == 5 ? q << 3 | static_cast<int>(1 + h % 6) : q << 2 | static_cast<int>(1 + h % 2);
}

picture to_slide_picture(const canvas &c) {
    return dither_to_565(c, [](int q, int bits, int x, int y, int k) {
        return inside_level(q, bits, hash3(x, y * 3 + k, 5));
    });
}

picture as_shown_on_565(const picture &p) {
    picture shown = p;
    for (size_t i = 0; i < shown.rgb.size(); ++i) {
        const int bits = i % 3 == 1 ? 6 : 5;
        shown.rgb[i] = static_cast<unsigned char>(level_as_shown(p.rgb[i] >> (8 - bits), bits));
    }
    return shown;
}

void paste_picture(picture &dst, const picture &src, int x, int y, int factor) {
    for (int sy = 0; sy < src.height * factor; ++sy)
        for (int sx = 0; sx < src.width * factor; ++sx) {
            int dx = x + sx, dy = y + sy;
            if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height)
                continue;
            const unsigned char *in =
                &src.rgb[(static_cast<size_t>(sy / factor) * src.width + sx / factor) * 3];
            unsigned char *out = &dst.rgb[(static_cast<size_t>(dy) * dst.width + dx) * 3];
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
}
