// The background: a night sky with the title logo and three oscilloscope sine traces at the
// top, a copper bar, a calm indigo wall under the scroller's band, a perspective grid below
// it, and a bevelled copper frame around the slide panel.
#include "media.h"

#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr int frame = 6;

colour rgb(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0};
}

void draw_sky(canvas &c) {
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < c.width; ++x) {
            double t = y / 89.0;
            colour s = mix(rgb(4, 3, 16), rgb(46, 18, 78), t * t);
            // A soft glow behind the logo.
            double gx = (x - 160) / 150.0, gy = (y - 40) / 30.0;
            double glow = std::exp(-(gx * gx + gy * gy));
            s = add(s, scale(rgb(60, 26, 90), glow * 0.8));
            double star = hash_unit(x, y, 7);
            if (star > 0.985) {
                double b = (star - 0.985) / 0.015;
                s = mix(s, mix(rgb(150, 170, 255), rgb(255, 250, 230), hash_unit(x, y, 8)),
                        0.25 + 0.6 * b * b);
            }
            pixel_at(c, x, y) = s;
        }
}

// Three glowing sine traces of different wavelengths across the top area.
void draw_traces(canvas &c) {
    struct trace {
        double centre, amplitude, wavelength, phase;
        colour tint;
    };
    const trace traces[] = {{66, 9, 160, 0.3, rgb(80, 220, 255)},
                            {70, 6, 64, 1.9, rgb(255, 120, 200)},
                            {73, 4, 32, 4.0, rgb(255, 190, 70)}};
    for (const trace &t : traces)
        for (int y = 40; y < 90; ++y)
            for (int x = 0; x < c.width; ++x) {
                double best = 1e9;
                for (int s = 0; s < 8; ++s) {
                    double sx = x + (s - 3.5) * 0.5;
                    double ty =
                        t.centre + t.amplitude * std::sin(2 * pi * sx / t.wavelength + t.phase);
                    double dx = (sx - x), dy = ty - y;
                    double d = dx * dx + dy * dy;
                    if (d < best)
                        best = d;
                }
                double d = std::sqrt(best);
                // Fade the traces out towards the screen's edges.
                double fade = smoothstep(0, 60, x) * smoothstep(320, 260, x);
                double core = 1 - smoothstep(0.3, 1.1, d), halo = std::exp(-d * 0.45) * 0.35;
                colour &p = pixel_at(c, x, y);
                p = add(p, scale(t.tint, (core * 0.8 + halo) * fade));
            }
}

// A three-tone copper raster bar.
void draw_copper_bar(canvas &c, int top) {
    const colour tones[] = {rgb(70, 24, 30),    rgb(170, 70, 36),  rgb(250, 170, 80),
                            rgb(255, 236, 170), rgb(220, 120, 50), rgb(120, 40, 32)};
    for (int i = 0; i < 6; ++i)
        for (int x = 0; x < c.width; ++x)
            pixel_at(c, x, top + i) = tones[i];
}

// The wall behind the scroller: a calm, mid-dark indigo with faint scan lines.
void draw_wall(canvas &c, int top, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < c.width; ++x) {
            double t = (y - top) / double(bottom - top);
            colour s = mix(rgb(44, 34, 96), rgb(52, 42, 104), t);
            s = add(s, scale(rgb(30, 14, 30), 0.5 * smoothstep(200, 0, x)));
            s = add(s, scale(rgb(16, 10, 20), fractal_noise(x / 40.0, y / 12.0, 3, 31) - 0.5));
            // The grid's horizon lights the bottom of the wall.
            s = add(s, scale(rgb(110, 36, 100), std::exp(-(bottom - y) / 22.0) * 0.45));
            if ((y & 1) == 0)
                s = scale(s, 0.93);
            pixel_at(c, x, y) = s;
        }
}

// A receding grid floor with its horizon at `horizon`, glowing there.
void draw_floor(canvas &c, int horizon) {
    for (int y = horizon; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            double depth = 40.0 / (y - horizon + 2.0);
            double wx = (x - 232) * depth / 40.0, wz = depth;
            double lx = std::fabs(fract(wx / 1.0 + 0.5) - 0.5),
                   lz = std::fabs(fract(wz * 1.2) - 0.5);
            double width = 0.04 + 0.02 / depth;
            double line = std::fmax(1 - smoothstep(width * 0.5, width, lx) * 1.0,
                                    1 - smoothstep(0.06 * depth, 0.12 * depth, lz));
            double fog = std::exp(-depth * 0.08);
            colour s = mix(rgb(20, 10, 40), rgb(60, 20, 80), 1 - fog);
            s = mix(s, mix(rgb(250, 90, 180), rgb(80, 210, 255), fog), line * (0.35 + 0.5 * fog));
            s = add(s, scale(rgb(200, 70, 120), std::exp(-(y - horizon) * 0.35) * 0.6));
            pixel_at(c, x, y) = s;
        }
}

void draw_panel_frame(canvas &c) {
    const colour light = rgb(255, 214, 140), mid = rgb(196, 104, 48), dark = rgb(72, 26, 30);
    int x0 = panel_x - frame, y0 = panel_y - frame;
    int x1 = panel_x + panel_width + frame - 1, y1 = panel_y + panel_height + frame - 1;
    // Shadow cast onto the wall.
    for (int y = y0 + 3; y <= y1 + 3 && y < c.height; ++y)
        for (int x = x0 + 3; x <= x1 + 3; ++x)
            pixel_at(c, x, y) = scale(pixel_at(c, x, y), 0.45);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            int inset = std::min(std::min(x - x0, x1 - x), std::min(y - y0, y1 - y));
            if (inset >= frame)
                continue;
            // Which side of the ring: top/left faces catch the light on the outer bevel,
            // bottom/right on the inner bevel, so the aperture looks sunk into the frame.
            bool upper =
                (y - y0) <= std::min(x - x0, x1 - x) || (x - x0) <= std::min(y - y0, y1 - y);
            colour s;
            if (inset < 2)
                s = upper ? light : dark;
            else if (inset < frame - 2)
                s = mix(mid, light, 0.25 * (1 - (inset - 2) / double(frame - 4)));
            else
                s = upper ? dark : light;
            if (inset == 0)
                s = scale(s, 0.6);
            pixel_at(c, x, y) = s;
        }
    // The empty panel, seen before the first slide fades in.
    for (int y = panel_y; y < panel_y + panel_height; ++y)
        for (int x = panel_x; x < panel_x + panel_width; ++x) {
            double t = (y - panel_y) / double(panel_height);
            colour s = mix(rgb(10, 8, 30), rgb(24, 12, 44), t);
            if (y % 3 == 0)
                s = scale(s, 0.7);
            pixel_at(c, x, y) = s;
        }
}

// Four-pointed glints, the light catching the logo's chrome.
void draw_glint(canvas &c, double gx, double gy, double size) {
    for (int y = static_cast<int>(gy - size); y <= gy + size; ++y)
        for (int x = static_cast<int>(gx - size); x <= gx + size; ++x) {
            if (x < 0 || y < 0 || x >= c.width || y >= c.height)
                continue;
            double dx = std::fabs(x + 0.5 - gx), dy = std::fabs(y + 0.5 - gy);
            double ray = std::exp(-dy * 1.6) * std::max(0.0, 1 - dx / size) +
                         std::exp(-dx * 1.6) * std::max(0.0, 1 - dy / size);
            double core = std::exp(-(dx * dx + dy * dy) * 0.5);
            colour &p = pixel_at(c, x, y);
            p = add(p, scale(rgb(255, 250, 235), ray * 0.9 + core));
        }
}

} // namespace

canvas draw_background() {
    canvas c = make_canvas(screen_width, screen_height, colour{0, 0, 0});
    draw_sky(c);
    draw_traces(c);
    draw_logo(c, 13, 18, 33);
    draw_glint(c, 24, 20, 13);
    draw_glint(c, 284, 35, 9);
    draw_copper_bar(c, 84);
    draw_wall(c, 90, 208);
    draw_floor(c, 208);
    draw_panel_frame(c);
    return c;
}
