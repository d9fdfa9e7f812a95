// The application icon: a copper-and-chrome "W" over a sine wave on an indigo tile, drawn
// afresh at 48, 32 and 16 pixels, and written as a Windows .ico with nine classic BMP
// entries (4, 8 and 32 bits per pixel for each size), each with its AND mask; and drawn
// at any size as an RGBA PNG, for the Linux desktop's icon theme.
#include "media.h"
#include "png_file.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

struct icon_pixels {
    int size;
    std::vector<int> r, g, b, a; // 0..255, top row first
};

colour rgb(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0};
}

// Rounded-square tile distance, in pixels (negative inside).
double tile_distance(double x, double y, double size) {
    double half = size / 2, radius = size * 0.22;
    double qx = std::fabs(x - half) - (half - radius), qy = std::fabs(y - half) - (half - radius);
    double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - radius;
}

struct sample {
    colour c;
    double alpha;
};

sample shade_icon(double x, double y, double size) {
    double tile = tile_distance(x, y, size);
    if (tile > 0)
        return {{0, 0, 0}, 0};
    double u = x / size, v = y / size;
    colour c = mix(rgb(60, 26, 120), rgb(14, 8, 44), v);
    // The sine wave behind the letter.
    double wave = 0.62 + 0.12 * std::sin(u * 2 * pi * 1.5 + 0.8);
    double wd = std::fabs(v - wave) * size;
    c = add(c, scale(rgb(80, 220, 255), std::max(0.0, 1 - wd / (0.05 * size + 0.6))));
    // The letter, 10 units tall; at 16 pixels thinner and wider so its notches stay open.
    const bool small = size < 20;
    const double stretch = small ? 1.2 : 1.05, thinner = small ? 0.45 : 0;
    double unit = size * 0.64 / 10, width = logo_letter_width('W') * stretch;
    double lx = (x - (size - width * unit) / 2) / unit / stretch, ly = (y - size * 0.17) / unit;
    double d = logo_letter_distance('W', lx, ly) + thinner;
    double outline = small ? 0 : 0.9 / unit; // about a pixel of dark outline
    if (d < 0)
        c = logo_chrome(ly / 10);
    else if (d < outline)
        c = rgb(6, 2, 18);
    // A copper rim around the tile.
    if (tile > -std::max(1.0, size / 24))
        c = mix(rgb(250, 170, 80), rgb(150, 60, 30), v);
    return {c, 1};
}

icon_pixels draw_icon(int size) {
    icon_pixels p{size, {}, {}, {}, {}};
    const int samples = 4;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            colour sum{0, 0, 0};
            double alpha = 0;
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx) {
                    sample s = shade_icon(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples, size);
                    sum = add(sum, scale(s.c, s.alpha));
                    alpha += s.alpha;
                }
            // Straight (not premultiplied) colour, as icons store it.
            colour c = alpha > 0 ? scale(sum, 1 / alpha) : colour{0, 0, 0};
            auto byte = [](double v) { return static_cast<int>(std::lround(clamp01(v) * 255)); };
            p.r.push_back(byte(c.r));
            p.g.push_back(byte(c.g));
            p.b.push_back(byte(c.b));
            p.a.push_back(byte(alpha / (samples * samples)));
        }
    return p;
}

struct rgb_entry {
    int r, g, b;
};

// Median cut: split the colour box with the widest channel at its median until there are
// `count` boxes; each box's average becomes a palette entry.
std::vector<rgb_entry> median_cut(std::vector<rgb_entry> colours, int count) {
    struct box {
        int begin, end;
    };
    std::vector<box> boxes{{0, static_cast<int>(colours.size())}};
    auto widest = [&](const box &b, int *channel) {
        int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        for (int i = b.begin; i < b.end; ++i) {
            const int v[3] = {colours[i].r, colours[i].g, colours[i].b};
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], v[k]);
                hi[k] = std::max(hi[k], v[k]);
            }
        }
        *channel = 0;
        for (int k = 1; k < 3; ++k)
            if (hi[k] - lo[k] > hi[*channel] - lo[*channel])
                *channel = k;
        return hi[*channel] - lo[*channel];
    };
    while (static_cast<int>(boxes.size()) < count) {
        int pick = -1, pick_channel = 0, pick_range = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            int channel;
            int range = widest(boxes[i], &channel);
            if (range > pick_range) {
                pick = static_cast<int>(i);
                pick_channel = channel;
                pick_range = range;
            }
        }
        if (pick < 0)
            break; // every box holds one colour only
        box b = boxes[pick];
        auto key = [pick_channel](const rgb_entry &e) {
            int v[3] = {e.r, e.g, e.b};
            return v[pick_channel] * 65536 * 4 + e.r * 65536 + e.g * 256 + e.b;
        };
        std::stable_sort(colours.begin() + b.begin, colours.begin() + b.end,
                         [&](const rgb_entry &x, const rgb_entry &y) { return key(x) < key(y); });
        // A box with a colour range holds at least two colours, so both halves are non-empty.
        int split = (b.begin + b.end) / 2;
        boxes[pick] = {b.begin, split};
        boxes.push_back({split, b.end});
    }
    std::vector<rgb_entry> palette;
    for (const box &b : boxes) {
        long r = 0, g = 0, bl = 0, n = b.end - b.begin;
        if (n == 0)
            continue;
        for (int i = b.begin; i < b.end; ++i) {
            r += colours[i].r;
            g += colours[i].g;
            bl += colours[i].b;
        }
        palette.push_back({static_cast<int>((r + n / 2) / n), static_cast<int>((g + n / 2) / n),
                           static_cast<int>((bl + n / 2) / n)});
    }
    return palette;
}

int nearest(const std::vector<rgb_entry> &palette, int r, int g, int b) {
    int best = 0;
    long best_d = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        long dr = palette[i].r - r, dg = palette[i].g - g, db = palette[i].b - b;
        long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (best_d < 0 || d < best_d) {
            best_d = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

void put16(std::vector<unsigned char> &out, int v) {
    out.push_back(static_cast<unsigned char>(v & 0xff));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xff));
}
void put32(std::vector<unsigned char> &out, long v) {
    put16(out, static_cast<int>(v & 0xffff));
    put16(out, static_cast<int>((v >> 16) & 0xffff));
}

// One classic icon image: BITMAPINFOHEADER (height doubled), palette, colour rows and the
// AND mask, both bottom row first and padded to four bytes.
std::vector<unsigned char> encode_image(const icon_pixels &p, int bits) {
    const int size = p.size;
    std::vector<bool> transparent(size * size);
    for (int i = 0; i < size * size; ++i)
        transparent[i] = bits == 32 ? p.a[i] == 0 : p.a[i] < 128;

    std::vector<rgb_entry> palette, colours_only;
    if (bits < 32) {
        // Entry 0 is black, so transparent pixels (AND 1, colour 0) leave the screen as it is.
        std::vector<rgb_entry> colours;
        for (int i = 0; i < size * size; ++i)
            if (!transparent[i])
                colours.push_back({p.r[i], p.g[i], p.b[i]});
        colours_only = median_cut(colours, (1 << bits) - 1);
        palette = colours_only;
        palette.insert(palette.begin(), rgb_entry{0, 0, 0});
        while (static_cast<int>(palette.size()) < (1 << bits))
            palette.push_back({0, 0, 0});
    }
    const int xor_row = (size * bits + 31) / 32 * 4, and_row = (size + 31) / 32 * 4;
    std::vector<unsigned char> out;
    put32(out, 40);
    put32(out, size);
    put32(out, size * 2);
    put16(out, 1);
    put16(out, bits);
    put32(out, 0);
    put32(out, static_cast<long>(xor_row + and_row) * size);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (const rgb_entry &e : palette) {
        out.push_back(static_cast<unsigned char>(e.b));
        out.push_back(static_cast<unsigned char>(e.g));
        out.push_back(static_cast<unsigned char>(e.r));
        out.push_back(0);
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<unsigned char> row(xor_row, 0);
        for (int x = 0; x < size; ++x) {
            int i = y * size + x;
            if (bits == 32) {
                row[x * 4 + 0] = static_cast<unsigned char>(p.b[i]);
                row[x * 4 + 1] = static_cast<unsigned char>(p.g[i]);
                row[x * 4 + 2] = static_cast<unsigned char>(p.r[i]);
                row[x * 4 + 3] = static_cast<unsigned char>(p.a[i]);
                continue;
            }
            int index = transparent[i] ? 0 : 1 + nearest(colours_only, p.r[i], p.g[i], p.b[i]);
            if (bits == 8)
                row[x] = static_cast<unsigned char>(index);
            else
                row[x / 2] |= static_cast<unsigned char>(x % 2 ? index : index << 4);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<unsigned char> row(and_row, 0);
        for (int x = 0; x < size; ++x)
            if (transparent[y * size + x])
                row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace

bool write_icon_png(const char *path, int size) {
    const icon_pixels p = draw_icon(size);
    std::vector<unsigned char> rgba;
    for (int i = 0; i < size * size; ++i)
        for (int v : {p.r[i], p.g[i], p.b[i], p.a[i]})
            rgba.push_back(static_cast<unsigned char>(v));
    return write_rgba_png(path, size, size, rgba.data());
}

bool write_icon(const char *path) {
    const int sizes[] = {48, 32, 16}, depths[] = {4, 8, 32};
    std::vector<std::vector<unsigned char>> images;
    std::vector<int> entry_size, entry_bits;
    for (int size : sizes) {
        icon_pixels p = draw_icon(size);
        for (int bits : depths) {
            images.push_back(encode_image(p, bits));
            entry_size.push_back(size);
            entry_bits.push_back(bits);
        }
    }
    std::vector<unsigned char> out;
    put16(out, 0); // reserved
    put16(out, 1); // icon
    put16(out, static_cast<int>(images.size()));
    long offset = 6 + 16 * static_cast<long>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<unsigned char>(entry_size[i]));
        out.push_back(static_cast<unsigned char>(entry_size[i]));
        out.push_back(static_cast<unsigned char>(entry_bits[i] == 4 ? 16 : 0));
        out.push_back(0);
        put16(out, 1);
        put16(out, entry_bits[i]);
        put32(out, static_cast<long>(images[i].size()));
        put32(out, offset);
        offset += static_cast<long>(images[i].size());
    }
    for (const auto &image : images)
        out.insert(out.end(), image.begin(), image.end());
    return write_bytes(path, out);
}
