// The intro's display as the harness sees it (see screen.h).
#include "screen.h"

#include <SDL.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "media.h"

namespace e2e {

rgb_image grab_screen_rgb(Display *d) {
    rgb_image out;
    XWindowAttributes root;
    if (!XGetWindowAttributes(d, DefaultRootWindow(d), &root))
        return out;
    XImage *image = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(root.width),
                              static_cast<unsigned>(root.height), AllPlanes, ZPixmap);
    if (!image)
        return out;
    // Each channel's mask tells where it sits and how wide it is; widened to 8 bits the
    // usual way, so a 5-6-5 server reads like a 24-bit one showing the same colours.
    auto channel = [](unsigned long pixel, unsigned long mask) -> std::uint32_t {
        if (!mask)
            return 0;
        int shift = 0, bits = 0;
        while (!(mask >> shift & 1))
            ++shift;
        while (mask >> (shift + bits) & 1)
            ++bits;
        std::uint32_t v = static_cast<std::uint32_t>(pixel >> shift) & ((1u << bits) - 1);
        std::uint32_t wide = 0;
        for (int filled = 0; filled < 8; filled += bits)
            wide = wide << bits | v;
        const int total = (8 + bits - 1) / bits * bits;
        return (wide >> (total - 8)) & 0xFF;
    };
    out.width = root.width;
    out.height = root.height;
    out.pixels.resize(static_cast<size_t>(root.width) * static_cast<size_t>(root.height));
    for (int y = 0; y < root.height; ++y)
        for (int x = 0; x < root.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            out.pixels[static_cast<size_t>(y) * static_cast<size_t>(root.width) +
                       static_cast<size_t>(x)] = channel(p, image->red_mask) << 16 |
                                                 channel(p, image->green_mask) << 8 |
                                                 channel(p, image->blue_mask);
        }
    XDestroyImage(image);
    return out;
}

std::vector<std::uint16_t> shrink_screen(const rgb_image &shot, int scale, int x, int y) {
    std::vector<std::uint16_t> small;
    if (x < 0 || y < 0 || x + scale * width > shot.width || y + scale * height > shot.height)
        return small;
    for (int sy = 0; sy < height; ++sy)
        for (int sx = 0; sx < width; ++sx)
            small.push_back(narrow_565(shot.at(x + sx * scale, y + sy * scale)));
    return small;
}

std::vector<std::uint16_t> grab_screen(Display *d) {
    return shrink_screen(grab_screen_rgb(d), 1, 0, 0);
}

bool write_ppm(const std::string &path, const rgb_image &image) {
    std::string o =
        "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    o.reserve(o.size() + image.pixels.size() * 3);
    for (std::uint32_t v : image.pixels) {
        o.push_back(static_cast<char>(v >> 16 & 0xFF));
        o.push_back(static_cast<char>(v >> 8 & 0xFF));
        o.push_back(static_cast<char>(v & 0xFF));
    }
    return write_file(path, o);
}

bool write_ppm(const std::string &path, const std::vector<std::uint16_t> &pixels) {
    rgb_image image{width, height, {}};
    for (std::uint16_t v : pixels)
        image.pixels.push_back(widen_565(v));
    return pixels.size() == static_cast<size_t>(width * height) && write_ppm(path, image);
}

// The colour of the pixel at (x, y) of a surface of any depth.
static void surface_rgb(const SDL_Surface *s, int x, int y, Uint8 *r, Uint8 *g, Uint8 *b) {
    const int bpp = s->format->BytesPerPixel;
    Uint32 v = 0;
    std::memcpy(&v, static_cast<const Uint8 *>(s->pixels) + y * s->pitch + x * bpp,
                static_cast<size_t>(bpp));
    SDL_GetRGB(v, s->format, r, g, b);
}

std::vector<std::uint32_t> bmp_as_rgb(const std::string &path, int *w, int *h) {
    std::vector<std::uint32_t> pixels;
    SDL_Surface *s = SDL_LoadBMP(path.c_str());
    if (!s)
        return pixels;
    *w = s->w;
    *h = s->h;
    pixels.resize(static_cast<size_t>(s->w * s->h));
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            Uint8 r, g, b;
            surface_rgb(s, x, y, &r, &g, &b);
            pixels[static_cast<size_t>(y * s->w + x)] =
                static_cast<std::uint32_t>(r << 16 | g << 8 | b);
        }
    SDL_FreeSurface(s);
    return pixels;
}

std::vector<std::uint16_t> bmp_as_565(const std::string &path, int *w, int *h) {
    std::vector<std::uint16_t> pixels;
    for (std::uint32_t v : bmp_as_rgb(path, w, h))
        pixels.push_back(narrow_565(v));
    return pixels;
}

long differences(const std::vector<std::uint16_t> &a, const std::vector<std::uint16_t> &b) {
    if (a.size() != b.size())
        return -1;
    long n = 0;
    for (size_t i = 0; i < a.size(); ++i)
        n += a[i] != b[i];
    return n;
}

bool shows_background_top(const std::vector<std::uint16_t> &shot,
                          const std::vector<std::uint16_t> &background) {
    if (shot.size() != background.size() || shot.size() < 90 * width)
        return false;
    for (size_t i = 0; i < 90 * width; ++i)
        if (shot[i] != background[i])
            return false;
    return true;
}

bool shows_text(const std::vector<std::uint16_t> &shot,
                const std::vector<std::uint16_t> &background) {
    return differences(shot, background) > 200;
}

bool shows_slide(const std::vector<std::uint16_t> &shot,
                 const std::vector<std::uint16_t> &background) {
    if (shot.size() != background.size() || shot.size() != width * height)
        return false;
    long n = 0;
    for (int y = panel_y; y < panel_y + 90; ++y)
        for (int x = panel_x; x < panel_x + 100; ++x)
            n += shot[y * width + x] != background[y * width + x];
    return n > 2000;
}

bool shows_text_and_slide(const std::vector<std::uint16_t> &shot,
                          const std::vector<std::uint16_t> &background) {
    return shows_text(shot, background) && shows_slide(shot, background);
}

int panel_off_blend(const std::vector<std::uint16_t> &screen,
                    const std::vector<std::uint32_t> &background,
                    const std::vector<std::uint32_t> &slide, int slide_w, int slide_h, int alpha) {
    int worst = 0;
    for (int y = 0; y < slide_h; ++y)
        for (int x = 0; x < slide_w && panel_x + x < 121; ++x) {
            const size_t at = static_cast<size_t>((panel_y + y) * width + panel_x + x);
            const std::uint32_t s = slide[static_cast<size_t>(y * slide_w + x)], d = background[at];
            unsigned blend[3];
            for (int c = 0; c < 3; ++c) {
                const unsigned sc = s >> (16 - 8 * c) & 0xFF, dc = d >> (16 - 8 * c) & 0xFF;
                blend[c] = (sc * static_cast<unsigned>(alpha) + dc * (255u - alpha)) / 255;
            }
            const std::uint16_t e = rgb565(blend[0], blend[1], blend[2]), p = screen[at];
            worst =
                std::max({worst, std::abs((p >> 11) - (e >> 11)),
                          std::abs((p >> 5 & 63) - (e >> 5 & 63)), std::abs((p & 31) - (e & 31))});
        }
    return worst;
}

bool cursor_is_invisible(Display *d) {
    int event_base, error_base;
    if (!XFixesQueryExtension(d, &event_base, &error_base))
        return false;
    XFixesCursorImage *cursor = XFixesGetCursorImage(d);
    if (!cursor)
        return false;
    bool invisible = true;
    // Each pixel is 32-bit ARGB, carried in an unsigned long.
    for (unsigned i = 0; i < static_cast<unsigned>(cursor->width) * cursor->height; ++i)
        invisible = invisible && (cursor->pixels[i] >> 24 & 0xFF) == 0;
    XFree(cursor);
    return invisible;
}

} // namespace e2e
