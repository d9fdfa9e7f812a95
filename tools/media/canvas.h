// Floating-point RGB canvases, the shared colour ramps, noise, and the step to 565-exact bytes.
#pragma once

#include <cstdint>
#include <vector>

struct colour {
    double r, g, b;
};

struct canvas {
    int width, height;
    std::vector<colour> pixels; // row-major, top row first, channels 0..1
};

// 8-bit RGB triplets, row-major, top row first.
struct picture {
    int width, height;
    std::vector<unsigned char> rgb;
};

canvas make_canvas(int width, int height, colour fill);
inline colour &pixel_at(canvas &c, int x, int y) {
    return c.pixels[y * c.width + x];
}
inline const colour &pixel_at(const canvas &c, int x, int y) {
    return c.pixels[y * c.width + x];
}

colour mix(colour a, colour b, double t);
colour scale(colour a, double k);
colour add(colour a, colour b);
double clamp01(double v);
double smoothstep(double e0, double e1, double v);
double fract(double v);

// The intro's two colour families; t runs 0..1 (wrapped for the cyclic ramp).
colour warm_ramp(double t);  // black, indigo, plum, copper, gold, cream
colour cool_ramp(double t);  // black, navy, teal, cyan, white
colour cycle_ramp(double t); // indigo, violet, copper, gold, teal, indigo: loops

uint32_t hash3(int x, int y, int seed);
double hash_unit(int x, int y, int seed);                        // 0..1
double value_noise(double x, double y, int seed);                // smooth, 0..1
double fractal_noise(double x, double y, int octaves, int seed); // 0..1

// Ordered dither onto the 565 grid, stored as 8-bit values that a 565 display shows unchanged.
picture to_565_picture(const canvas &c);
// The same dither for a slide stored in 24 bits: each channel is one of the 8-bit values
// the display cuts down to the level picked, but never the first or last of them. Copied
// opaque, a slide shows what to_565_picture gives; blended at alpha 254 every channel
// moves by at most one 8-bit unit, so it stays on its level and the opaque copy at 255
// changes nothing. Which value inside the level is hashed from the pixel's place, so that
// the pixels of a fade cross to their next levels at different alphas, not all at once.
picture to_slide_picture(const canvas &c);
// A picture as a 5-6-5 display shows it: each channel cut down to its level and widened back.
picture as_shown_on_565(const picture &p);

// Draws `src` into `dst` with its top-left corner at (x, y), scaled by an integer factor.
void paste_picture(picture &dst, const picture &src, int x, int y, int factor);

// Renders a canvas by sampling `shade(x, y)` on a samples x samples grid inside every pixel;
// (x, y) are in pixels with (0, 0) at the top-left corner of the picture.
template <typename Shader>
canvas render_supersampled(int width, int height, int samples, Shader shade) {
    canvas c = make_canvas(width, height, colour{0, 0, 0});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            colour sum{0, 0, 0};
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx)
                    sum = add(sum, shade(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples));
            pixel_at(c, x, y) = scale(sum, 1.0 / (samples * samples));
        }
    return c;
}
