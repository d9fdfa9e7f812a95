// The title logo "WAVELENGTH": blocky letters from thick strokes, chrome above the
// horizon line and copper below it, with a bevel, a dark outline and a drop shadow.
#include "media.h"

#include <cmath>

namespace {

struct stroke {
    double x0, y0, x1, y1;
};

struct letter {
    char name;
    double width;
    int count;
    stroke strokes[5];
};

// Letters are 10 units tall; strokes are centre lines, 2.5 units thick with square caps,
// and every letter is cut flat at its top and bottom.
const letter letters[] = {
    {'W',
     10.4,
     4,
     {{1.3, 0, 3.1, 10}, {3.1, 10, 5.2, 3.6}, {5.2, 3.6, 7.3, 10}, {7.3, 10, 9.1, 0}}},
    {'A', 8.4, 3, {{4.2, -1, 1.2, 10}, {4.2, -1, 7.2, 10}, {2.6, 6.6, 5.8, 6.6}}},
    {'V', 8.4, 2, {{1.2, 0, 4.2, 11}, {7.2, 0, 4.2, 11}}},
    {'E',
     6.6,
     4,
     {{1.25, 0, 1.25, 10}, {1.25, 1.25, 5.35, 1.25}, {1.25, 5, 4.4, 5}, {1.25, 8.75, 5.35, 8.75}}},
    {'L', 6.6, 2, {{1.25, 0, 1.25, 10}, {1.25, 8.75, 5.35, 8.75}}},
    {'N', 8.2, 3, {{1.25, 0, 1.25, 10}, {6.95, 0, 6.95, 10}, {1.25, 0, 6.95, 10}}},
    {'G',
     8.2,
     5,
     {{1.25, 1.25, 6.95, 1.25},
      {1.25, 1.25, 1.25, 8.75},
      {1.25, 8.75, 6.95, 8.75},
      {6.95, 5.2, 6.95, 8.75},
      {4.6, 5.2, 6.95, 5.2}}},
    {'T', 7.4, 2, {{1.25, 1.25, 6.15, 1.25}, {3.7, 0, 3.7, 10}}},
    {'H', 8.2, 3, {{1.25, 0, 1.25, 10}, {6.95, 0, 6.95, 10}, {1.25, 5, 6.95, 5}}},
};

const char title[] = "WAVELENGTH";
constexpr double half_thickness = 1.25;
constexpr double corner = 0.35; // rounding of every corner
constexpr double spacing = 0.9;
constexpr double slant = 0.22; // italic lean: x shift per unit of height above the baseline

const letter &find_letter(char c) {
    for (const letter &l : letters)
        if (l.name == c)
            return l;
    return letters[0];
}

double stroke_distance(const stroke &s, double x, double y) {
    double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    double length = std::sqrt(dx * dx + dy * dy);
    double ux = dx / length, uy = dy / length;
    double px = x - (s.x0 + s.x1) * 0.5, py = y - (s.y0 + s.y1) * 0.5;
    double along = std::fabs(px * ux + py * uy) - length * 0.5 - (half_thickness - corner);
    double across = std::fabs(-px * uy + py * ux) - (half_thickness - corner);
    double ox = along > 0 ? along : 0, oy = across > 0 ? across : 0;
    double inside = along > across ? along : across;
    return std::sqrt(ox * ox + oy * oy) + (inside < 0 ? inside : 0) - corner;
}

// Signed distance in letter units to the whole title; (x, y) in unslanted title units.
double title_distance(double x, double y) {
    double best = 1e9, left = 0;
    for (const char *c = title; *c; ++c) {
        const letter &l = find_letter(*c);
        if (x > left - 3 && x < left + l.width + 3) {
            for (int i = 0; i < l.count; ++i) {
                double d = stroke_distance(l.strokes[i], x - left, y);
                if (d < best)
                    best = d;
            }
        }
        left += l.width + spacing;
    }
    double band = std::fabs(y - 5) - 5; // flat top and bottom
    return best > band ? best : band;
}

} // namespace

double logo_letter_distance(char name, double x, double y) {
    const letter &l = find_letter(name);
    double best = 1e9;
    for (int i = 0; i < l.count; ++i) {
        double d = stroke_distance(l.strokes[i], x, y);
        if (d < best)
            best = d;
    }
    double band = std::fabs(y - 5) - 5;
    return best > band ? best : band;
}

double logo_letter_width(char name) {
    return find_letter(name).width;
}

namespace {

double title_width() {
    double w = 0;
    for (const char *c = title; *c; ++c)
        w += find_letter(*c).width + spacing;
    return w - spacing;
}

} // namespace

colour logo_chrome(double v) {
    // v: 0 at the top of the letters, 1 at the baseline.
    static const colour sky_top{0.16, 0.20, 0.55}, sky_low{0.86, 0.93, 1.0};
    static const colour ground_top{0.30, 0.10, 0.16}, ground_mid{0.86, 0.42, 0.14},
        ground_low{1.0, 0.86, 0.46};
    if (v < 0.5)
        return mix(sky_top, sky_low, std::pow(v / 0.5, 1.4));
    if (v < 0.56)
        return mix(sky_low, ground_top, (v - 0.5) / 0.06);
    if (v < 0.8)
        return mix(ground_top, ground_mid, (v - 0.56) / 0.24);
    return mix(ground_mid, ground_low, (v - 0.8) / 0.2);
}

void draw_logo(canvas &c, double x, double y, double letter_height) {
    const double unit = letter_height / 10.0;
    const double width = (title_width() + slant * 10) * unit;
    const double outline = 0.42, shadow_dx = 0.55, shadow_dy = 0.65;
    const colour outline_colour{0.03, 0.01, 0.09};
    const int samples = 4;
    for (int py = static_cast<int>(y) - 4; py < y + letter_height + 6; ++py)
        for (int px = static_cast<int>(x) - 4; px < x + width + 6; ++px) {
            if (px < 0 || py < 0 || px >= c.width || py >= c.height)
                continue;
            colour base = pixel_at(c, px, py), sum{0, 0, 0};
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx) {
                    double ty = (py + (sy + 0.5) / samples - y) / unit;
                    double tx = (px + (sx + 0.5) / samples - x) / unit - slant * (10 - ty);
                    double d = title_distance(tx, ty);
                    colour s = base;
                    if (d < 0) {
                        // Bevel: the surface normal near the edge, lit from the upper left.
                        const double e = 0.05;
                        double gx = title_distance(tx + e, ty) - title_distance(tx - e, ty);
                        double gy = title_distance(tx, ty + e) - title_distance(tx, ty - e);
                        double gl = std::sqrt(gx * gx + gy * gy) + 1e-9;
                        double rim = 1 - smoothstep(0.0, 0.55, -d);
                        double light = (-gx * 0.6 - gy * 0.8) / gl;
                        s = logo_chrome(ty / 10);
                        s = add(s,
                                scale(colour{1, 0.95, 0.85}, rim * (light > 0 ? light : 0) * 0.6));
                        s = scale(s, 1 - rim * (light < 0 ? -light : 0) * 0.45);
                    } else if (d < outline) {
                        s = outline_colour;
                    } else {
                        double sd = title_distance(tx - shadow_dx, ty - shadow_dy);
                        if (sd < outline)
                            s = mix(base, colour{0, 0, 0.02}, 0.75);
                        else if (d < outline + 0.9)
                            s = mix(base, colour{0.55, 0.3, 0.9}, 0.35 * (1 - (d - outline) / 0.9));
                    }
                    sum = add(sum, s);
                }
            pixel_at(c, px, py) = scale(sum, 1.0 / (samples * samples));
        }
}
