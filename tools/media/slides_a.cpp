// Slides 0 to 7: plasma, Mandelbrot set, tunnel, checkerboard landscape, metaballs, fire,
// stained-glass cells and interference rings.
#include "escape_time.h"
#include "media.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr int w = slide_width, h = slide_height;

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
            return rgb(40, 14, 60);
        // Bands that repeat on a logarithmic scale keep detail both near and far from the set;
        // the slow escapers far from it sink into deep blue, and the filaments glow by their
        // estimated distance to the set, measured in sub-pixels.
        double t = std::log(e.smooth);
        double wave = 0.5 - 0.5 * std::cos(t * 3.4);
        colour c = warm_ramp(0.12 + 0.8 * wave);
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

canvas checker_landscape() {
    const double horizon = 62;
    const int samples = 4;
    return render_supersampled(w, h, samples, [&](double x, double y) {
        if (y < horizon) {
            double t = y / horizon;
            colour sky = mix(rgb(20, 10, 60), rgb(240, 100, 90), std::pow(t, 2.2));
            // A striped retro sun, setting behind the hills.
            double sx = x - 64, sy = y - 44, sr = std::sqrt(sx * sx + sy * sy);
            if (sr < 26) {
                double k = (y - 18) / 26.0;
                bool gap = y > 30 && fract((y - 30) / (6 - k * 2.5)) < 0.18 + k * 0.25;
                if (!gap)
                    sky = mix(rgb(255, 236, 120), rgb(255, 80, 120), clamp01(k));
            } else {
                sky = add(sky, scale(rgb(255, 120, 80), std::exp(-(sr - 26) * 0.08) * 0.35));
            }
            // Two layers of hills in silhouette.
            double far = horizon - 6 - 10 * fractal_noise(x / 28.0, 0.5, 4, 11);
            double near = horizon - 2 - 7 * fractal_noise(x / 18.0 + 7, 1.5, 4, 12);
            if (y > far)
                sky = mix(rgb(70, 28, 90), rgb(40, 16, 70), (y - far) / 10.0);
            if (y > near)
                sky = rgb(22, 8, 40);
            return sky;
        }
        double d = 40.0 / (y - horizon + 0.35);
        double wx = (x - 64) * d / 40.0 * 1.6 + 0.3, wz = d * 1.6 + 0.8;
        // Each sample covers a quarter pixel of floor; the share of gold squares under that
        // footprint is integrated exactly, so the squares near the horizon blend to an even tone.
        double dz = d * d / 40.0 * 1.6 / samples,
               dx = std::fabs((x - 64) * dz / 40.0) + d / 40.0 * 1.6 / samples;
        double sx = odd_share(wx, dx), sz = odd_share(wz, dz);
        double gold = sx * (1 - sz) + sz * (1 - sx);
        colour ground = mix(rgb(50, 20, 90), rgb(250, 170, 70), gold);
        double fog = 1 - std::exp(-d * 0.12);
        ground = mix(ground, rgb(200, 80, 110), fog);
        // Reflected sun glow on the floor.
        ground =
            add(ground, scale(rgb(255, 150, 90),
                              std::exp(-std::fabs(x - 64) * 0.05) * (1 - fog) * 0.0 + fog * 0.15));
        return ground;
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
        colour glass = cycle_ramp(hash_unit(best_x, best_y, 23) * 0.85);
        // Brighter towards the cell's centre, as if lit from behind.
        glass = scale(glass, 0.55 + 0.65 * (1 - smoothstep(0.0, 0.8, f1)));
        glass = add(glass, scale(rgb(255, 240, 200), 0.25 * std::pow(1 - clamp01(f1 * 1.6), 3)));
        double lead = smoothstep(0.04, 0.10, edge);
        colour lead_colour = mix(rgb(10, 6, 20), rgb(70, 60, 90), smoothstep(0.0, 0.05, edge));
        return mix(lead_colour, glass, lead);
    });
}

canvas rings() {
    struct source {
        double x, y, k;
    };
    const source sources[] = {{30, 40, 0.32}, {100, 84, 0.32}};
    return render_supersampled(w, h, 3, [&](double x, double y) {
        double sum = 0;
        int parity = 0;
        for (const source &s : sources) {
            double d = std::sqrt((x - s.x) * (x - s.x) + (y - s.y) * (y - s.y));
            sum += std::cos(d * s.k);
            parity += static_cast<int>(d * s.k / pi);
        }
        // Rings that cross swap colour families: the classic XOR pattern, shaded.
        double shade = 0.5 + 0.25 * sum;
        colour base = (parity & 1) ? cool_ramp(0.2 + 0.55 * shade) : warm_ramp(0.25 + 0.55 * shade);
        double glow = std::pow(clamp01(sum / 2), 6.0);
        return add(base, scale(rgb(255, 250, 230), glow * 0.35));
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
