// Slides 8 to 15: a ray-traced sphere, a starfield, a Julia set, a voxel landscape,
// vector bobs, a ray-marched torus, a kaleidoscope and a rippled line landscape.
#include "escape_time.h"
#include "media.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr int w = panel_width, h = panel_height;

colour rgb(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0};
}

struct vec {
    double x, y, z;
};
vec operator+(vec a, vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
vec operator-(vec a, vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
vec operator*(vec a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}
double dot(vec a, vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
vec normalise(vec a) {
    return a * (1 / std::sqrt(dot(a, a)));
}

// Averages every k x k block of a canvas drawn at k times the slide's size.
canvas average_down(const canvas &big, int k) {
    canvas out = make_canvas(big.width / k, big.height / k, colour{0, 0, 0});
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            colour sum{0, 0, 0};
            for (int sy = 0; sy < k; ++sy)
                for (int sx = 0; sx < k; ++sx)
                    sum = add(sum, pixel_at(big, x * k + sx, y * k + sy));
            pixel_at(out, x, y) = scale(sum, 1.0 / (k * k));
        }
    return out;
}

// Slide 8: a checkered ball hovering over a mirror-checkered floor.
const vec sphere_centre{0, 1.0, 4.2};
const double sphere_radius = 1.0;
const vec light_dir = normalise(vec{-0.6, 0.8, -0.5});

double hit_sphere(vec o, vec d) {
    vec oc = o - sphere_centre;
    double b = dot(oc, d), c = dot(oc, oc) - sphere_radius * sphere_radius;
    double disc = b * b - c;
    if (disc < 0)
        return -1;
    double t = -b - std::sqrt(disc);
    return t > 1e-4 ? t : -1;
}

colour sky(vec d) {
    double t = clamp01(d.y * 2.2 + 0.05);
    return mix(rgb(220, 90, 100), rgb(20, 10, 60), std::sqrt(t));
}

colour trace(vec o, vec d, int depth) {
    double ts = hit_sphere(o, d);
    double tf = d.y < -1e-6 ? -o.y / d.y : -1;
    if (ts > 0 && (tf < 0 || ts < tf)) {
        vec p = o + d * ts, n = normalise(p - sphere_centre);
        // Latitude/longitude checks, turned a little so the ball looks spun.
        double u = std::atan2(n.x * 0.94 - n.z * 0.34, n.z * 0.94 + n.x * 0.34) / pi * 6;
        double v = std::asin(clamp01((n.y + 1) / 2) * 2 - 1) / pi * 6;
        bool odd = ((static_cast<int>(std::floor(u)) + static_cast<int>(std::floor(v))) & 1) != 0;
        colour base = odd ? rgb(255, 200, 100) : rgb(110, 40, 150);
        double diffuse = std::max(0.0, dot(n, light_dir));
        vec r = d - n * (2 * dot(d, n));
        double spec = std::pow(std::max(0.0, dot(r, light_dir)), 30.0);
        colour c = scale(base, 0.25 + 0.75 * diffuse);
        c = add(c, scale(rgb(255, 255, 240), spec * 0.9));
        c = add(c, scale(rgb(80, 180, 230), std::pow(1 - std::fabs(dot(n, d)), 3.0) * 0.5));
        return c;
    }
    if (tf > 0) {
        vec p = o + d * tf;
        bool odd =
            ((static_cast<int>(std::floor(p.x)) + static_cast<int>(std::floor(p.z))) & 1) != 0;
        colour base = odd ? rgb(40, 20, 80) : rgb(30, 130, 160);
        // Shadow of the ball.
        double shadow = hit_sphere(p + vec{0, 1e-3, 0}, light_dir) > 0 ? 0.35 : 1.0;
        colour c = scale(base, shadow);
        if (depth > 0)
            c = mix(c, trace(p + vec{0, 1e-3, 0}, vec{d.x, -d.y, d.z}, depth - 1), 0.35);
        return mix(c, sky(vec{0, 0.0, 1}), 1 - std::exp(-tf * 0.035));
    }
    return sky(d);
}

canvas sphere() {
    return render_supersampled(w, h, 3, [](double x, double y) {
        vec eye{0, 1.5, 0};
        vec d = normalise(vec{(x - w / 2.0) / h, -(y - h * 0.45) / h, 1.1});
        return trace(eye, d, 1);
    });
}

// Slide 9: stars streaking out of a nebula.
canvas starfield() {
    canvas c = render_supersampled(w, h, 2, [](double x, double y) {
        double n = fractal_noise(x / 30.0, y / 30.0, 5, 41);
        double m = fractal_noise(x / 18.0 + 4, y / 18.0, 4, 42);
        colour s = mix(rgb(4, 2, 14), rgb(70, 20, 100), smoothstep(0.35, 0.8, n));
        return add(s, scale(rgb(30, 130, 160), smoothstep(0.5, 0.85, m) * 0.7));
    });
    for (int i = 0; i < 260; ++i) {
        // Stars in 3-D, projected; each leaves a short streak towards the centre.
        double sx = hash_unit(i, 0, 43) * 2 - 1, sy = hash_unit(i, 1, 43) * 2 - 1;
        double sz = 0.15 + hash_unit(i, 2, 43);
        double px = 64 + sx / sz * 40, py = 60 + sy / sz * 40;
        double bright = clamp01(1.2 - sz);
        colour tint = mix(rgb(170, 200, 255), rgb(255, 220, 160), hash_unit(i, 3, 43));
        double len = 6 * bright * bright;
        for (int k = 0; k <= 12; ++k) {
            double f = k / 12.0;
            double qx = px - sx / sz * len * f * 0.35, qy = py - sy / sz * len * f * 0.35;
            int ix = static_cast<int>(qx), iy = static_cast<int>(qy);
            if (ix < 0 || iy < 0 || ix >= w || iy >= h)
                continue;
            colour &p = pixel_at(c, ix, iy);
            p = add(p, scale(tint, bright * (1 - f) * 0.45));
        }
    }
    // A banded gas giant in the lower right, lit from the upper left, with a thin atmosphere;
    // it hides the stars behind it.
    const double planet_x = 100, planet_y = 98, planet_r = 36;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            colour behind = pixel_at(c, x, y), sum{0, 0, 0};
            for (int s = 0; s < 9; ++s) {
                double dx = (x + (s % 3 + 0.5) / 3 - planet_x) / planet_r;
                double dy = (y + (s / 3 + 0.5) / 3 - planet_y) / planet_r;
                double dd = dx * dx + dy * dy;
                if (dd >= 1) {
                    double rim =
                        std::exp(-(std::sqrt(dd) - 1) * 12) * clamp01(0.5 - dx * 0.5 - dy * 0.5);
                    sum = add(sum, add(behind, scale(rgb(90, 190, 255), rim * 0.8)));
                    continue;
                }
                double nz = std::sqrt(1 - dd);
                double light = clamp01(-dx * 0.55 - dy * 0.5 + nz * 0.67);
                double lat = dy * 0.95 + dx * 0.3; // bands tilted a little
                double band = fractal_noise(lat * 7 + 3, dx * 0.6, 4, 44);
                colour surface = warm_ramp(0.3 + 0.5 * band);
                surface = scale(surface, 0.06 + 0.94 * light);
                surface =
                    add(surface, scale(rgb(80, 200, 255), std::pow(1 - nz, 3.0) * light * 0.9));
                sum = add(sum, surface);
            }
            pixel_at(c, x, y) = scale(sum, 1 / 9.0);
        }
    // A few big stars with cross-shaped glints.
    const double glints[][3] = {{30, 28, 1.0}, {40, 92, 0.7}, {84, 22, 0.6}};
    for (const auto &g : glints)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double dx = std::fabs(x + 0.5 - g[0]), dy = std::fabs(y + 0.5 - g[1]);
                double glow = std::exp(-(dx * dx + dy * dy) * 0.08) +
                              std::exp(-dy * 1.8) * std::exp(-dx * 0.12) * 0.5 +
                              std::exp(-dx * 1.8) * std::exp(-dy * 0.12) * 0.5;
                colour &p = pixel_at(c, x, y);
                p = add(p, scale(rgb(255, 240, 220), glow * g[2]));
            }
    return c;
}

// Slide 10: a Julia set near its spirals. The far field is banded in the cool colours by the
// smoothed escape count; the filaments glow warm by their estimated distance to the set.
canvas julia() {
    const double cr = -0.76, ci = 0.12, centre_r = 0.16, centre_i = 0.16, span = 1.15;
    const int samples = 3;
    return render_supersampled(w, h, samples, [&](double x, double y) {
        const escape_estimate e =
            escape_time(centre_r + (x - w / 2.0) * span / w, centre_i + (y - h / 2.0) * span / w,
                        cr, ci, 500, false);
        if (e.smooth < 0)
            return warm_ramp(0.3);
        double t = std::log(e.smooth);
        double band = 0.5 - 0.5 * std::cos(t * 4.0);
        colour far = cool_ramp(0.28 + 0.35 * band + 0.12 * clamp01(t / 6));
        // The distance in sub-pixels, so the filaments keep one width at any zoom.
        double glow = std::exp(-e.distance / span * w * samples * 0.9);
        return mix(far, warm_ramp(0.55 + 0.35 * band), glow);
    });
}

// Slide 11: a voxel landscape, rendered column by column from front to back.
constexpr double water_level = 52;

double terrain(double x, double z) {
    double n = fractal_noise(x / 30.0, z / 30.0, 6, 51);
    double ridge = 1 - std::fabs(fractal_noise(x / 60.0, z / 60.0, 4, 52) * 2 - 1);
    double height = n * 50 + ridge * ridge * ridge * 60 - 10;
    return height > water_level ? height : water_level; // lakes fill the valleys
}

// The sky over the voxel landscape at screen row y (in slide pixels): a clear evening blue
// that pales towards a warm horizon at row 40, with the low sun at (90, 36).
colour voxel_sky(double x, double y) {
    double t = clamp01(y / 40.0);
    colour s = mix(rgb(22, 52, 112), rgb(236, 204, 160), t * t);
    double dx = x - 90, dy = y - 36;
    return add(s, scale(rgb(255, 226, 170), std::exp(-(dx * dx + dy * dy) * 0.02) * 0.9));
}

// Drawn at three times the slide's size, then averaged down.
canvas voxels() {
    const int k = 3, W = w * k, H = h * k;
    const double horizon = 40 * k, eye_height = 100, eye_x = 150, eye_z = -70;
    canvas c = make_canvas(W, H, colour{0, 0, 0});
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            pixel_at(c, x, y) = voxel_sky(x / double(k), y / double(k));
    const colour haze = rgb(176, 190, 206);
    for (int x = 0; x < W; ++x) {
        double ray = (x - W / 2.0) / W;
        int top = H; // the highest pixel drawn so far in this column
        for (double z = 2; z < 400; z += 0.1 + z * 0.004) {
            double wx = eye_x + ray * z * 1.4, wz = eye_z + z;
            double height = terrain(wx, wz);
            int screen_y = static_cast<int>(horizon + (eye_height - height) / z * 40 * k);
            if (screen_y < top) {
                for (int y = std::max(screen_y, 0); y < top; ++y) {
                    colour land;
                    if (height <= water_level) {
                        // Water: deep blue below, mirroring the sky more towards the distance
                        // (the row mirrored about the horizon), broken by ripples drawn out
                        // sideways, with the sun's glitter in a column below it.
                        double mirrored = 2 * horizon - y;
                        colour sky = voxel_sky(x / double(k), mirrored / k);
                        double ripple = value_noise(wx / 5.0, wz * 1.4, 53);
                        double fresnel = 0.35 + 0.5 * smoothstep(0, 160, z);
                        land = mix(rgb(10, 34, 70), sky, fresnel * (0.75 + 0.35 * ripple));
                        double sun_column = (x - 90.0 * k) / k;
                        land = add(land, scale(rgb(255, 236, 190),
                                               std::exp(-sun_column * sun_column * 0.012) *
                                                   smoothstep(0.55, 0.8, ripple) * 0.8));
                    } else {
                        // Grass in the valleys, rock above, snow on the far high peaks, sand
                        // along the shore; lit from the upper left by the terrain's normal.
                        double gx = (terrain(wx + 0.5, wz) - terrain(wx - 0.5, wz)),
                               gz = (terrain(wx, wz + 0.5) - terrain(wx, wz - 0.5));
                        double light =
                            (gx * 0.55 + 0.62 + gz * 0.45) / std::sqrt(gx * gx + gz * gz + 1);
                        double steep = clamp01((std::fabs(gx) + std::fabs(gz)) * 0.8);
                        double snow = smoothstep(80, 90, height) * smoothstep(60, 130, z) *
                                      smoothstep(-0.2, 0.4, 1 - std::fabs(gx) - std::fabs(gz));
                        land = mix(rgb(62, 104, 44), rgb(112, 88, 64),
                                   clamp01(smoothstep(water_level + 8, 84, height) + steep * 0.45));
                        land = mix(rgb(196, 176, 124), land,
                                   smoothstep(water_level, water_level + 2, height));
                        land = mix(land, rgb(236, 240, 246), snow * 0.85);
                        land = scale(land, 0.35 + 0.85 * clamp01(light));
                    }
                    pixel_at(c, x, y) = mix(land, haze, 1 - std::exp(-z * 0.0045));
                }
                top = std::max(screen_y, 0);
            }
        }
    }
    return average_down(c, k);
}

// Slide 12: vector bobs: shaded balls along a 3-D Lissajous knot, drawn back to front over
// a row of copper bars.
canvas bobs() {
    canvas c = render_supersampled(w, h, 3, [](double x, double y) {
        double d = std::sqrt((x - 64) * (x - 64) + (y - 60) * (y - 60));
        colour back = mix(rgb(64, 30, 118), rgb(30, 14, 70), clamp01(d / 80));
        // Each bar is lit across its height like a rounded tube, in the cyclic colours.
        for (int i = 0; i < 6; ++i) {
            double centre = 10 + i * 20, half = 5;
            double across = std::fabs(y - centre) / half;
            if (across < 1)
                back =
                    mix(back, scale(cycle_ramp(0.12 + i * 0.13), 1 - across * across * 0.8), 0.55);
        }
        return back;
    });
    const int count = 84;
    struct bob {
        double x, y, z;
        int index;
    } list[count];
    for (int i = 0; i < count; ++i) {
        double t = i * 2 * pi / count;
        double x = std::sin(t * 2) * 0.9, y = std::sin(t * 3 + 0.6) * 0.8,
               z = std::cos(t * 5) * 0.9;
        // Turn the knot a little about the y axis.
        double rx = x * 0.87 + z * 0.5, rz = -x * 0.5 + z * 0.87;
        list[i] = {rx, y, rz + 3.2, i};
    }
    std::sort(list, list + count, [](const bob &a, const bob &b) { return a.z > b.z; });
    for (const bob &b : list) {
        double px = 66 + b.x / b.z * 128, py = 60 + b.y / b.z * 126, r = 23 / b.z;
        colour tint = cycle_ramp(b.index / double(count) * 0.999);
        for (int y = static_cast<int>(py - r - 1); y <= py + r + 1; ++y)
            for (int x = static_cast<int>(px - r - 1); x <= px + r + 1; ++x) {
                if (x < 0 || y < 0 || x >= w || y >= h)
                    continue;
                double cover = 0;
                colour sum{0, 0, 0};
                for (int s = 0; s < 16; ++s) {
                    double sx = (x + (s % 4 + 0.5) / 4 - px) / r,
                           sy = (y + (s / 4 + 0.5) / 4 - py) / r;
                    double dd = sx * sx + sy * sy;
                    if (dd >= 1)
                        continue;
                    double nz = std::sqrt(1 - dd);
                    double diffuse = clamp01(-sx * 0.45 - sy * 0.55 + nz * 0.7);
                    double spec = std::pow(diffuse, 24.0);
                    colour col = scale(tint, 0.2 + 0.85 * diffuse);
                    sum = add(sum, add(col, scale(rgb(255, 255, 255), spec * 0.8)));
                    cover += 1;
                }
                colour &p = pixel_at(c, x, y);
                if (cover > 0)
                    p = mix(p, scale(sum, 1 / cover), cover / 16);
            }
    }
    return c;
}

// Slide 13: a ray-marched torus with copper bands on a glowing disc.
double torus_distance(vec p) {
    // Tilt the torus towards the viewer.
    double ca = 0.8, sa = 0.6;
    vec q{p.x, p.y * ca - p.z * sa, p.y * sa + p.z * ca};
    double ring = std::sqrt(q.x * q.x + q.z * q.z) - 1.0;
    return std::sqrt(ring * ring + q.y * q.y) - 0.42;
}

canvas torus() {
    return render_supersampled(w, h, 3, [](double x, double y) {
        vec o{0, 0, -3.25};
        vec d = normalise(vec{(x - w / 2.0) / h, -(y - h / 2.0) / h, 1.0});
        double t = 0;
        for (int i = 0; i < 90; ++i) {
            double dist = torus_distance(o + d * t);
            if (dist < 1e-4 || t > 8)
                break;
            t += dist;
        }
        // Behind it a glowing disc with rings that ripple out to the corners.
        double bx = (x - 64) / 60.0, by = (y - 60) / 60.0;
        double br = std::sqrt(bx * bx + by * by);
        colour back = mix(rgb(30, 70, 130), rgb(36, 16, 72), clamp01(br * 0.8));
        back = scale(back, 0.8 + 0.2 * std::cos(br * 26));
        back = add(back, scale(rgb(190, 60, 140), std::exp(-std::pow((br - 0.8) * 7, 2)) * 0.7));
        if (t > 8)
            return back;
        vec p = o + d * t;
        const double e = 1e-4;
        vec n = normalise(vec{torus_distance(p + vec{e, 0, 0}) - torus_distance(p - vec{e, 0, 0}),
                              torus_distance(p + vec{0, e, 0}) - torus_distance(p - vec{0, e, 0}),
                              torus_distance(p + vec{0, 0, e}) - torus_distance(p - vec{0, 0, e})});
        vec l = normalise(vec{-0.5, 0.7, -0.6});
        double diffuse = std::max(0.0, dot(n, l));
        vec r = d - n * (2 * dot(d, n));
        double spec = std::pow(std::max(0.0, dot(r, l)), 40.0);
        double angle = std::atan2(p.x, p.y * 0.6 + p.z * 0.8);
        bool band = fract(angle / pi * 6) < 0.5;
        colour base = band ? rgb(230, 120, 50) : rgb(110, 40, 140);
        colour c = scale(base, 0.18 + 0.82 * diffuse);
        c = add(c, scale(rgb(255, 250, 230), spec));
        c = add(c, scale(rgb(60, 200, 230), std::pow(1 - std::fabs(dot(n, d)), 3.0) * 0.6));
        return c;
    });
}

// Slide 14: a kaleidoscope: a gold inlay in lapis lazuli, one wedge of shapes mirrored
// into eight pairs around the centre.

// Signed distance (negative inside) from (x, y) to the inlay, with x along the wedge's
// middle line and y across it, both in pixels from the centre.
double inlay_distance(double x, double y) {
    double r = std::sqrt(x * x + y * y);
    // An eight-pointed star in the middle, a ring around it.
    double star_r = 7 + 9 * std::pow(std::cos(std::atan2(y, x) * 4), 8.0);
    double d = r - star_r;
    d = std::min(d, std::fabs(r - 20) - 1.4);
    // A pointed petal along each mirror line, its tip outwards.
    double px = x - 33, py = y;
    double petal = std::sqrt(px * px / 1.9 + py * py * 3.2) - 7.5;
    d = std::min(d, std::max(petal, -(std::sqrt(px * px / 1.9 + py * py * 3.2) - 3.5)));
    // A diamond between neighbouring petals.
    double ang = pi / 8;
    double qx = x * std::cos(ang) + y * std::sin(ang) - 31,
           qy = -x * std::sin(ang) + y * std::cos(ang);
    d = std::min(d, (std::fabs(qx) * 0.55 + std::fabs(qy)) - 3.2);
    // An outer ring of scallops.
    double sc = std::fabs(std::sqrt((x - 50) * (x - 50) + y * y) - 9) - 1.2;
    d = std::min(d, std::max(sc, 50 - r));
    d = std::min(d, std::fabs(r - 50) - 1.0);
    return d;
}

canvas kaleidoscope() {
    return render_supersampled(w, h, 3, [](double x, double y) {
        double u = x - 64, v = y - 60;
        double r = std::sqrt(u * u + v * v), a = std::atan2(v, u);
        const double wedge = pi / 4;
        a = std::fabs(std::fmod(a + 2 * pi + wedge / 2, wedge) - wedge / 2);
        double fx = r * std::cos(a), fy = r * std::sin(a);
        // Lapis: deep blue, clouded, with flecks of pyrite.
        double cloud = fractal_noise(x / 14.0, y / 14.0, 4, 61);
        colour stone = mix(rgb(18, 34, 108), rgb(44, 72, 178), cloud);
        double fleck = hash_unit(static_cast<int>(x * 2), static_cast<int>(y * 2), 62);
        stone = mix(stone, rgb(200, 180, 90), smoothstep(0.992, 0.998, fleck) * 0.7);
        stone = scale(stone, 1 - 0.45 * smoothstep(54, 90, r));
        // Gold: bright along each shape's middle, darker towards its edges, like a
        // rounded wire set into the stone, with a dark groove around it.
        double d = inlay_distance(fx, fy);
        double depth = clamp01(-d / 2.2);
        colour gold = mix(rgb(120, 96, 24), rgb(222, 196, 92), std::sqrt(depth));
        colour c = mix(stone, scale(stone, 0.7), 1 - smoothstep(0.0, 1.6, d));
        return mix(c, gold, 1 - smoothstep(-0.5, 0.5, d));
    });
}

// Slide 15: ripples on a line landscape: rows of a rippled surface drawn from the back to
// the front, each hiding what lies behind it, the lines glowing from cyan to gold.
double ripple_height(double x, double z) {
    double dx = x - 0.1, dz = z - 1.9;
    double r = std::sqrt(dx * dx + dz * dz);
    double wave = std::cos(r * 9.0) * std::exp(-r * 0.9);
    return wave * 0.42 + (fractal_noise(x * 2 + 5, z * 2, 3, 81) - 0.5) * 0.18;
}

// Drawn at four times the slide's size and averaged down, so the steep flanks stay unbroken
// and the crowded far rows blend instead of beating against the pixel grid.
canvas ripples() {
    const int k = 4, W = w * k, H = h * k;
    canvas c = make_canvas(W, H, colour{0, 0, 0});
    auto background = [](int x, int y) {
        int px = x / k, py = y / k;
        colour s =
            mix(rgb(30, 92, 118), rgb(6, 16, 40), clamp01(std::fabs(y / double(k) - 30) / 44));
        double star = hash_unit(px, py, 82);
        if (py < 34 && star > 0.985)
            s = add(s, scale(rgb(200, 220, 255), (star - 0.985) / 0.015 * 0.8));
        return s;
    };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            pixel_at(c, x, y) = background(x, y);
    const int rows = 26;
    std::vector<double> line_y(W);
    for (int row = rows - 1; row >= 0; --row) {
        // Rows evenly spaced on screen: their inverse depths are evenly spaced.
        double z = 1 / (1.15 - row * (1.15 - 0.2) / (rows - 1));
        double fade = 1 - row / double(rows);
        colour line =
            row < rows / 2
                ? mix(rgb(170, 255, 140), rgb(40, 230, 200), row / (rows / 2.0))
                : mix(rgb(40, 230, 200), rgb(40, 110, 230), (row - rows / 2.0) / (rows / 2.0));
        for (int x = 0; x < W; ++x) {
            double wx = ((x + 0.5) / k - w / 2.0) / 60.0 * z;
            line_y[x] = (12 + (1.5 - ripple_height(wx, z)) / z * 62) * k;
        }
        for (int x = 0; x < W; ++x) {
            const double ly = line_y[x];
            // Hide what lies behind this row.
            for (int y = std::max(0, static_cast<int>(std::floor(ly)) + 1); y < H; ++y)
                pixel_at(c, x, y) = background(x, y);
            // The line covers the span to halfway towards its neighbours' heights, so a steep
            // flank is drawn as a continuous stroke.
            double left = x > 0 ? (line_y[x - 1] + ly) / 2 : ly;
            double right = x + 1 < W ? (line_y[x + 1] + ly) / 2 : ly;
            double top = std::min(ly, std::min(left, right)),
                   bottom = std::max(ly, std::max(left, right));
            const double half = (0.42 + 0.3 * fade) * k, reach = 3.0 * k;
            for (int y = static_cast<int>(std::floor(top - reach));
                 y <= static_cast<int>(bottom + reach); ++y) {
                if (y < 0 || y >= H)
                    continue;
                double yc = y + 0.5;
                double d = yc < top ? top - yc : (yc > bottom ? yc - bottom : 0);
                double core = d < half ? 1.0 : 0.0;
                double glow = std::exp(-d / k * 1.8) * 0.18 * fade;
                colour &p = pixel_at(c, x, y);
                p = add(p, scale(line, core * (0.2 + 0.6 * fade * fade) + glow));
            }
        }
    }
    return average_down(c, k);
}

} // namespace

canvas draw_slide_b(int index) {
    switch (index) {
    case 8:
        return sphere();
    case 9:
        return starfield();
    case 10:
        return julia();
    case 11:
        return voxels();
    case 12:
        return bobs();
    case 13:
        return torus();
    case 14:
        return kaleidoscope();
    default:
        return ripples();
    }
}
