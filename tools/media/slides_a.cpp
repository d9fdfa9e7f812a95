// Slides 0 to 7: plasma, Mandelbrot set, tunnel, checkerboard hills, metaballs, fire,
// stained-glass cells and interference rings.
#include "escape_time.h"
#include "media.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr int w = panel_width, h = panel_height;

colour rgb(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0};
}

canvas plasma() {
    return render_supersampled(w, h, 2, [](double x, double y) {
        double u = x / w * 2 - 1, v = y / h * 2 - 1;
        double a = std::sin(u * 5.1 + 0.7) + std::sin(v * 4.3 - 1.1) +
                   std::sin((u + v) * 3.7 + 2.0) +
                   std::sin(std::sqrt((u - 0.3) * (u - 0.3) + (v + 0.4) * (v + 0.4)) * 9.0) +
                   std::sin(std::sqrt((u + 0.6) * (u + 0.6) + (v - 0.5) * (v - 0.5)) * 7.0);
        double t = a / 10 + 0.5;
        colour c = cycle_ramp(t * 1.6 + 0.1);
        // A soft sheen on the crests makes it look like liquid.
        double crest = std::pow(0.5 + 0.5 * std::sin(a * 3.0), 12.0);
        return add(c, scale(rgb(255, 240, 220), crest * 0.25));
    });
}

canvas mandelbrot() {
    // Down the seahorse valley, where a spiral and a double spiral meet.
    const double cx = -0.7453, cy = 0.1127, span = 0.0065;
    const int samples = 3;
    return render_supersampled(w, h, samples, [&](double x, double y) {
        double ci = cy + (y - h / 2.0) * span / w, cr = cx + (x - w / 2.0) * span / w;
        const escape_estimate e = escape_time(0, 0, cr, ci, 900, true);
        if (e.smooth < 0)
            return rgb(12, 18, 52);
        // Bands that repeat on a logarithmic scale keep detail both near and far from the set;
        // the slow escapers far from it sink into deep blue, and the filaments glow by their
        // estimated distance to the set, measured in sub-pixels.
        double t = std::log(e.smooth);
        double wave = 0.5 - 0.5 * std::cos(t * 3.4);
        colour c = mix(cool_ramp(0.22 + 0.1 * wave), warm_ramp(0.48 + 0.34 * wave),
                       smoothstep(0.1, 0.8, wave));
        c = mix(cool_ramp(0.25 + 0.1 * wave), c, smoothstep(3.2, 4.6, t));
        double glow = std::exp(-e.distance / span * w * samples * 1.6);
        return mix(c, warm_ramp(0.55 + 0.3 * wave), glow * 0.6);
    });
}

canvas tunnel() {
    // The classic XOR-textured tunnel: angle and inverse distance index the texture,
    // fog swallows the depths and a light waits at the far end.
    return render_supersampled(w, h, 3, [](double x, double y) {
        double u = (x - w * 0.6) / h, v = (y - h * 0.42) / h;
        double r = std::sqrt(u * u + v * v) + 1e-6;
        double angle = std::atan2(v, u);
        double depth = 0.3 / r;
        int tu = static_cast<int>(std::floor((angle / pi + 1) * 64 + depth * 24)) & 127;
        int tv = static_cast<int>(std::floor(depth * 48)) & 127;
        int texel = (tu ^ tv) & 63;
        colour c = cycle_ramp(texel / 64.0 * 0.7 + 0.05);
        // Grooves between the texture's big squares.
        if ((tu & 15) == 0 || (tv & 15) == 0)
            c = scale(c, 0.35);
        double fog = std::exp(-depth * 0.35);
        c = scale(c, 0.15 + 0.85 * fog);
        return add(c, scale(rgb(255, 230, 190), std::exp(-r * 18.0) * 1.2));
    });
}

// The share of [v - width / 2, v + width / 2] that lies in odd unit squares (floor(v) odd).
double odd_share(double v, double width) {
    auto odd_before = [](double t) { // measure of the odd part of [0, t]
        double pairs = std::floor(t / 2);
        return pairs + std::max(0.0, t - pairs * 2 - 1);
    };
    if (width < 1e-9)
        return (static_cast<long>(std::floor(v)) & 1) ? 1.0 : 0.0;
    return (odd_before(v + width / 2) - odd_before(v - width / 2)) / width;
}

// Slide 3: rolling hills under a summer sky, the ground a red and cream checkerboard.
double hill_height(double x, double z) {
    return 1.3 * std::sin(x * 0.3 + 0.6) * std::sin(z * 0.21 + 1.3) +
           0.8 * std::sin(x * 0.13 - z * 0.17 + 2.1) + 0.25 * std::sin(x * 0.7 + z * 0.5);
}

// The haze the far hills fade into, and the sky at ray direction (dx, dy, 1): blue overhead,
// paling to the haze at the horizon, with a few soft clouds.
const colour hill_haze = rgb(196, 210, 218);

colour hill_sky(double dx, double dy) {
    colour s = mix(hill_haze, rgb(40, 96, 178), std::pow(clamp01(dy * 2.4), 0.7));
    double cloud = fractal_noise(dx / (dy + 0.08) * 1.2 + 4, 1 / (dy + 0.08) * 0.9, 4, 31);
    cloud = smoothstep(0.52, 0.72, cloud) * smoothstep(0.0, 0.08, dy);
    return mix(s, rgb(232, 234, 236), cloud * 0.85);
}

canvas checker_landscape() {
    const int samples = 4;
    const double eye_y = 3.0, focal = 1.1 * h;
    return render_supersampled(w, h, samples, [&](double x, double y) {
        // A ray from the eye, looking level; the horizon lies on row 36.
        double dx = (x - w / 2.0) / focal, dy = -(y - 36) / focal;
        double len = std::sqrt(dx * dx + dy * dy + 1);
        double ux = dx / len, uy = dy / len, uz = 1 / len;
        if (uy > 0.02)
            return hill_sky(ux / uz, uy / uz);
        // March to the ground, then halve the last step to find it exactly.
        double t = 0.1, step = 0;
        bool hit = false;
        while (t < 90) {
            double gap = eye_y + uy * t - hill_height(ux * t, uz * t);
            if (gap < 0) {
                hit = true;
                break;
            }
            step = std::max(0.02, gap * 0.4);
            t += step;
        }
        if (!hit)
            return hill_sky(ux / uz, uy / uz);
        double lo = t - step, hi = t;
        for (int i = 0; i < 12; ++i) {
            double mid = (lo + hi) / 2;
            (eye_y + uy * mid - hill_height(ux * mid, uz * mid) < 0 ? hi : lo) = mid;
        }
        t = hi;
        double px = ux * t, pz = uz * t;
        // Lit from the upper left by the slope of the ground.
        const double e = 0.01;
        double gx = (hill_height(px + e, pz) - hill_height(px - e, pz)) / (2 * e),
               gz = (hill_height(px, pz + e) - hill_height(px, pz - e)) / (2 * e);
        double nl = std::sqrt(gx * gx + 1 + gz * gz);
        double light = clamp01((gx * 0.7 + 0.6 - gz * 0.4) / nl);
        // Each sample covers a share of the squares under it, integrated exactly, so the
        // far squares blend to an even tone instead of beating against the pixels; on a
        // slope turned away from the eye the footprint stretches along the ground.
        double facing = std::fabs(-gx * ux + uy - gz * uz) / nl;
        double foot = t / focal / samples, along = foot / std::max(facing, 0.08);
        double cx = odd_share(px * 1.4, (foot + along * std::fabs(ux)) * 1.4),
               cz = odd_share(pz * 1.4, along * 1.4);
        double red = cx * (1 - cz) + cz * (1 - cx);
        colour ground = mix(rgb(236, 222, 190), rgb(196, 28, 36), red);
        ground = scale(ground, 0.2 + 0.85 * light);
        return mix(ground, hill_haze, 1 - std::exp(-t * 0.022));
    });
}

canvas metaballs() {
    struct ball {
        double x, y, r;
    };
    const ball balls[] = {{34, 36, 13}, {64, 52, 15}, {96, 28, 10}, {46, 86, 12},
                          {94, 88, 14}, {18, 96, 8},  {110, 58, 8}};
    // Each ball adds a smooth bump (1 - d^2/R^2)^2 with R twice its radius; the surface is
    // where the field reaches 0.56, which is exactly the radius for a lone ball.
    auto field = [&](double x, double y) {
        double f = 0;
        for (const ball &b : balls) {
            double dx = x - b.x, dy = y - b.y;
            double q = 1 - (dx * dx + dy * dy) / (4 * b.r * b.r);
            if (q > 0)
                f += q * q / 0.5625;
        }
        return f;
    };
    return render_supersampled(w, h, 3, [&](double x, double y) {
        double f = field(x, y);
        if (f < 1) {
            // Contour lines of the field around the blobs.
            double ring = std::pow(std::fabs(std::sin(f * pi * 5)), 30.0) * f;
            colour back = mix(rgb(30, 16, 70), rgb(64, 22, 96), y / h);
            return add(back, scale(rgb(80, 200, 240), ring * 0.8 + f * f * 0.15));
        }
        // The surface rises as the square root of the field's excess, so it is round at the
        // rim like a ball and the necks between blobs swell smoothly.
        auto height = [&](double px, double py) {
            return 9 * std::sqrt(std::max(0.0, field(px, py) - 1));
        };
        double gx = height(x + 0.5, y) - height(x - 0.5, y),
               gy = height(x, y + 0.5) - height(x, y - 0.5);
        double nx = -gx, ny = -gy, nz = 1.0;
        double len = std::sqrt(nx * nx + ny * ny + nz * nz);
        nx /= len;
        ny /= len;
        nz /= len;
        double diffuse = clamp01(-nx * 0.5 - ny * 0.6 + nz * 0.62);
        double spec = std::pow(clamp01(-nx * 0.35 - ny * 0.45 + nz * 0.82), 40.0);
        colour c = mix(rgb(90, 20, 110), rgb(240, 120, 60), diffuse);
        c = add(c, scale(rgb(255, 240, 210), spec));
        // Rim light from below in the cool colour.
        c = add(c, scale(rgb(60, 180, 230), clamp01(ny * 0.8) * 0.5));
        return c;
    });
}

// The colour of fire at heat t (0..1), as glowing matter goes: black, a deep ember red,
// red, orange, and a yellow that stops short of white, so the hottest tongues keep a hue.
colour fire_colour(double t) {
    static const colour stops[] = {rgb(0, 0, 0),      rgb(52, 6, 4),     rgb(128, 14, 4),
                                   rgb(200, 42, 6),   rgb(240, 100, 12), rgb(252, 164, 34),
                                   rgb(255, 208, 80), rgb(255, 230, 140)};
    t = clamp01(t) * 7;
    const int i = std::min(static_cast<int>(t), 6);
    return mix(stops[i], stops[i + 1], t - i);
}

canvas fire() {
    // Flames from warped noise: heat rises from a bed of embers at the bottom, broken into
    // tongues that lick upwards and cool as they climb, with sparks above.
    canvas c = render_supersampled(w, h, 3, [](double x, double y) {
        double depth = y / h; // 0 at the top, 1 at the bottom
        double wx = x + 16 * (fractal_noise(x / 26.0, y / 16.0, 3, 72) - 0.5) * (1.2 - depth);
        double n = fractal_noise(wx / 12.0, y / 20.0 + 3, 5, 73);
        double tongue = 0.5 + 0.5 * std::cos(wx * 2 * pi / 31.0 + 0.8);
        double heat = depth * 1.3 - 0.36 + (n - 0.5) * 1.5 + (tongue - 0.5) * 0.6 * (1.1 - depth);
        // The bed of embers glows in patches, hot and dark, instead of one band of white.
        double embers = fractal_noise(x / 7.0, y / 5.0, 3, 75);
        heat =
            mix(colour{heat, 0, 0}, colour{0.5 + embers * 0.6, 0, 0}, smoothstep(0.86, 1.0, depth))
                .r;
        return fire_colour(heat);
    });
    for (int i = 0; i < 28; ++i) {
        int x = static_cast<int>(hash_unit(i, 0, 74) * w);
        int y = static_cast<int>(hash_unit(i, 1, 74) * h * 0.6);
        double b = 0.4 + 0.6 * hash_unit(i, 2, 74);
        pixel_at(c, x, y) = add(pixel_at(c, x, y), scale(rgb(255, 170, 50), b));
        if (y + 1 < h)
            pixel_at(c, x, y + 1) = add(pixel_at(c, x, y + 1), scale(rgb(200, 50, 10), b * 0.5));
    }
    return c;
}

canvas cells() {
    // Worley cells, one seed point per 24-pixel square, drawn as bevelled stained glass.
    const double size = 22;
    return render_supersampled(w, h, 3, [&](double x, double y) {
        double gx = x / size, gy = y / size;
        int ix = static_cast<int>(std::floor(gx)), iy = static_cast<int>(std::floor(gy));
        double f1 = 1e9, f2 = 1e9;
        int best_x = 0, best_y = 0;
        for (int oy = -1; oy <= 1; ++oy)
            for (int ox = -1; ox <= 1; ++ox) {
                int cx = ix + ox, cy = iy + oy;
                double px = cx + 0.1 + 0.8 * hash_unit(cx, cy, 21);
                double py = cy + 0.1 + 0.8 * hash_unit(cx, cy, 22);
                double d = std::sqrt((gx - px) * (gx - px) + (gy - py) * (gy - py));
                if (d < f1) {
                    f2 = f1;
                    f1 = d;
                    best_x = cx;
                    best_y = cy;
                } else if (d < f2) {
                    f2 = d;
                }
            }
        double edge = f2 - f1;
        // Church glass: ruby, sapphire, emerald and amber, with a pale straw here and there.
        static const colour panes[] = {rgb(176, 22, 34),  rgb(24, 56, 168),  rgb(22, 128, 62),
                                       rgb(226, 182, 36), rgb(196, 28, 40),  rgb(32, 82, 190),
                                       rgb(40, 150, 70),  rgb(200, 188, 112)};
        colour glass = panes[hash3(best_x, best_y, 23) % 8];
        // Streaks in the glass, and brighter towards the cell's centre, as if lit from behind.
        glass = scale(glass, 0.8 + 0.35 * fractal_noise(x / 5.0 + best_x * 7, y / 16.0, 3, 24));
        glass = scale(glass, 0.55 + 0.65 * (1 - smoothstep(0.0, 0.8, f1)));
        glass = add(glass, scale(rgb(255, 240, 200), 0.25 * std::pow(1 - clamp01(f1 * 1.6), 3)));
        double lead = smoothstep(0.04, 0.10, edge);
        colour lead_colour = mix(rgb(12, 12, 14), rgb(70, 68, 66), smoothstep(0.0, 0.05, edge));
        return mix(lead_colour, glass, lead);
    });
}

// Slide 7: a drop falling into still green water: rings spread from where it lands and
// cross the rings of a wider swell from the lower right, shaded as a lit surface. The
// rings are 13 pixels apart, so they stay smooth at the display's own size.
constexpr double drop_x = 46, drop_y = 50;

double ring_height(double x, double y) {
    const double k = 2 * pi / 13;
    double d1 = std::sqrt((x - drop_x) * (x - drop_x) + (y - drop_y) * (y - drop_y));
    double d2 = std::sqrt((x - 150) * (x - 150) + (y - 140) * (y - 140));
    // The drop's rings die away outwards, and quiet near the centre where it lands.
    double drop = std::cos(d1 * k - 0.9) * 3.2 / (1 + d1 / 18) * smoothstep(2, 9, d1);
    double swell = std::cos(d2 * k * 0.8) * 0.9;
    return drop + swell;
}

canvas rings() {
    return render_supersampled(w, h, 3, [](double x, double y) {
        const double e = 0.25;
        double gx = (ring_height(x + e, y) - ring_height(x - e, y)) / (2 * e),
               gy = (ring_height(x, y + e) - ring_height(x, y - e)) / (2 * e);
        double nl = std::sqrt(gx * gx + gy * gy + 1);
        // Light from the upper left, and a sheen where the surface faces it squarely.
        double diffuse = clamp01((gx * 0.5 + gy * 0.55 + 0.67) / nl);
        double sheen = std::pow(clamp01((gx * 0.42 + gy * 0.46 + 0.78) / nl), 24.0);
        double depth =
            clamp01(std::sqrt((x - drop_x) * (x - drop_x) + (y - drop_y) * (y - drop_y)) / 110);
        colour water = mix(rgb(4, 40, 22), rgb(50, 170, 70), diffuse * diffuse);
        water = mix(water, rgb(4, 26, 14), depth * 0.55);
        water = add(water, scale(rgb(190, 236, 140), sheen * 0.75));
        // The drop itself, just bounced back up: a bright bead over the centre, with its
        // shadow on the water below it.
        double bx = x - drop_x, by = y - drop_y + 6, bd = std::sqrt(bx * bx + by * by);
        double sx = bx - 2, sy = by - 5;
        water = scale(water, 1 - 0.6 * std::exp(-(sx * sx + sy * sy * 2.5) * 0.08));
        double bead = 1 - smoothstep(3.6, 4.4, bd);
        if (bead > 0) {
            double nz = std::sqrt(std::max(0.0, 1 - bd * bd / 16));
            double lit = clamp01(-bx / 4 * 0.5 - by / 4 * 0.55 + nz * 0.67);
            colour drop = add(scale(rgb(120, 230, 120), 0.2 + 0.8 * lit),
                              scale(rgb(225, 238, 200), std::pow(lit, 10.0)));
            water = mix(water, drop, bead);
        }
        // A soft glow of light caught around the landing.
        return add(water, scale(rgb(120, 220, 110), std::exp(-bd * 0.12) * 0.25));
    });
}

} // namespace

canvas draw_slide_b(int index);

canvas draw_slide(int index) {
    switch (index) {
    case 0:
        return plasma();
    case 1:
        return mandelbrot();
    case 2:
        return tunnel();
    case 3:
        return checker_landscape();
    case 4:
        return metaballs();
    case 5:
        return fire();
    case 6:
        return cells();
    case 7:
        return rings();
    default:
        return draw_slide_b(index);
    }
}
