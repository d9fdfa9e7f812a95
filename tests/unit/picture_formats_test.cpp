// Any valid BMP shows as the same picture stored in 24 bits does: the same picture in each
// depth and layout a BMP can have, loaded the way the intro loads it, as background and
// as every slide, draws every frame of a whole fade exactly like its 24-bit twin.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "files.h"
#include "intro/frame.h"
#include "intro/pictures.h"
#include "surfaces.h"

namespace {

struct rgba {
    Uint8 r, g, b, a;
};

// A picture in memory: its pixels, and for a paletted one the palette and each pixel's index.
struct picture {
    int w = 0, h = 0;
    std::vector<rgba> pixels;
    std::vector<rgba> palette;
    std::vector<int> index;
    const rgba &at(int x, int y) const { return pixels[static_cast<size_t>(y * w + x)]; }
};

// A paletted picture of `colours` colours, all of them used, in a pattern with runs (for
// the run-length encodings) and single pixels.
picture paletted_picture(int w, int h, int colours, int seed) {
    picture p;
    p.w = w;
    p.h = h;
    for (int i = 0; i < colours; ++i)
        p.palette.push_back({static_cast<Uint8>(i * 53 + seed * 17),
                             static_cast<Uint8>(i * 97 + 40),
                             static_cast<Uint8>(255 - i * 29 - seed), 0});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = (x / 4 + y * 3 + (x * y) % 5) % colours;
            p.index.push_back(i);
            p.pixels.push_back(p.palette[static_cast<size_t>(i)]);
        }
    return p;
}

// A picture of many colours; each colour is passed through `round` first, so that a depth
// of fewer bits holds it exactly. Alpha is `alpha(x, y)`.
template <typename Round, typename Alpha>
picture direct_picture(int w, int h, int seed, Round round, Alpha alpha) {
    picture p;
    p.w = w;
    p.h = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rgba c = {static_cast<Uint8>(x * 5 + seed * 31), static_cast<Uint8>(y * 7 + x),
                      static_cast<Uint8>((x ^ y) * 3 + seed), alpha(x, y)};
            p.pixels.push_back(round(c));
        }
    return p;
}

rgba exact(rgba c) {
    return c;
}

// The colour a 16-bit pixel value stands for, as SDL reads it back from that format.
rgba through_16_bits(rgba c, Uint32 rmask, Uint32 gmask, Uint32 bmask) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 16, rmask, gmask, bmask, 0);
    const Uint32 v = SDL_MapRGB(s->format, c.r, c.g, c.b);
    rgba out = c;
    SDL_GetRGB(v, s->format, &out.r, &out.g, &out.b);
    SDL_FreeSurface(s);
    return out;
}

// A colour as 5 bits a channel hold it, each level then stored in 8 bits as the nearest
// of 0..255 (level 16 of 31 as 132 of 255).
rgba through_555(rgba c) {
    const auto nearest = [](Uint8 v) {
        return static_cast<Uint8>(std::lround((v >> 3) * 255.0 / 31));
    };
    return {nearest(c.r), nearest(c.g), nearest(c.b), c.a};
}
rgba through_565(rgba c) {
    return through_16_bits(c, 0xF800, 0x07E0, 0x001F);
}

enum class layout {
    bits1,
    bits2,
    bits4,
    bits4_long_palette, // 8 palette entries more than 4 bits can index
    bits8_long_palette, // a palette of 300 entries
    rle4,
    bits8,
    rle8,
    bits8_top_down,
    rgb555,
    rgb555_bitfields,
    rgb565_bitfields,
    bits24,
    bits24_top_down,
    argb32,           // alpha in the fourth byte, as given
    argb32_top_down,  // the same, rows top-down
    bitfields32,      // BI_BITFIELDS with an alpha mask in a version 4 header
    xrgb32_bitfields, // BI_BITFIELDS, red, green and blue masks only
};

// One row of palette indices run-length encoded: runs of one index, each line ended.
void rle_row(bytes &out, const picture &p, int y, bool four_bits) {
    int x = 0;
    while (x < p.w) {
        const int i = p.index[static_cast<size_t>(y * p.w + x)];
        int n = 1;
        while (x + n < p.w && n < 255 && p.index[static_cast<size_t>(y * p.w + x + n)] == i)
            ++n;
        out.push_back(static_cast<unsigned char>(n));
        out.push_back(static_cast<unsigned char>(four_bits ? i << 4 | i : i));
        x += n;
    }
    out.push_back(0); // end of line
    out.push_back(0);
}

// How a layout is stored: depth, compression, masks, rows top-down, a version 4 header.
struct stored {
    unsigned bpp;
    std::uint32_t compression = 0;
    std::uint32_t masks[4] = {};
    bool top_down = false, version4 = false;
};

stored how(layout l) {
    switch (l) {
    case layout::bits1:
        return {1};
    case layout::bits2:
        return {2};
    case layout::bits4:
    case layout::bits4_long_palette:
        return {4};
    case layout::rle4:
        return {4, 2};
    case layout::bits8:
    case layout::bits8_long_palette:
        return {8};
    case layout::rle8:
        return {8, 1};
    case layout::bits8_top_down:
        return {8, 0, {}, true};
    case layout::rgb555:
        return {16};
    case layout::rgb555_bitfields:
        return {16, 3, {0x7C00, 0x03E0, 0x001F}};
    case layout::rgb565_bitfields:
        return {16, 3, {0xF800, 0x07E0, 0x001F}};
    case layout::bits24:
        break;
    case layout::bits24_top_down:
        return {24, 0, {}, true};
    case layout::argb32:
        return {32};
    case layout::argb32_top_down:
        return {32, 0, {}, true};
    case layout::bitfields32:
        return {32, 3, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, false, true};
    case layout::xrgb32_bitfields:
        return {32, 3, {0x00FF0000, 0x0000FF00, 0x000000FF}};
    }
    return {24};
}

// The picture as a BMP file in the given layout.
bytes encode(const picture &p, layout l) {
    const stored st = how(l);
    const unsigned bpp = st.bpp;
    const bool rle = st.compression == 1 || st.compression == 2;
    bmp_header h;
    h.width = p.w;
    h.height = st.top_down ? -p.h : p.h;
    h.bits = bpp;
    h.compression = st.compression;
    h.version4 = st.version4;
    for (int i = 0; i < 4 && st.masks[i]; ++i)
        put_le32(&h.masks, st.masks[i]);
    for (const rgba &c : p.palette)
        if (bpp <= 8)
            h.palette.insert(h.palette.end(), {c.b, c.g, c.r, 0});
    const std::size_t entries = l == layout::bits4_long_palette   ? 16 + 8
                                : l == layout::bits8_long_palette ? 300
                                                                  : 0;
    while (h.palette.size() < 4 * entries)
        h.palette.push_back(static_cast<unsigned char>(h.palette.size() * 7));

    bytes px;
    for (int i = 0; i < p.h; ++i) {
        const int y = st.top_down ? i : p.h - 1 - i;
        if (rle) {
            rle_row(px, p, y, st.compression == 2);
            continue;
        }
        const size_t row_start = px.size();
        unsigned acc = 0;
        int acc_bits = 0;
        for (int x = 0; x < p.w; ++x) {
            const rgba &c = p.at(x, y);
            if (bpp <= 8) {
                acc = acc << bpp | static_cast<unsigned>(p.index[static_cast<size_t>(y * p.w + x)]);
                acc_bits += static_cast<int>(bpp);
                if (acc_bits == 8) {
                    px.push_back(static_cast<unsigned char>(acc));
                    acc = 0;
                    acc_bits = 0;
                }
            } else if (bpp == 16) {
                const bool six = l == layout::rgb565_bitfields;
                const unsigned v = six ? (c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3
                                       : (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3;
                put_le16(&px, v);
            } else {
                px.insert(px.end(), {c.b, c.g, c.r});
                if (bpp == 32)
                    px.push_back(c.a);
            }
        }
        if (acc_bits > 0)
            px.push_back(static_cast<unsigned char>(acc << (8 - acc_bits)));
        while ((px.size() - row_start) % 4 != 0)
            px.push_back(0);
    }
    if (rle)
        px.insert(px.end(), {0, 1}); // end of the picture
    return bmp_file(h, px);
}

// The intro's loading of a picture stored in `l`; a failure to load fails the test.
SDL_Surface *load_as(const picture &p, layout l, const temp_folder &dir) {
    const std::string path = dir.write("picture.dat", encode(p, l));
    testing::internal::CaptureStderr();
    SDL_Surface *s = load_picture(path.c_str());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "");
    EXPECT_NE(s, nullptr);
    return s;
}

struct pictures_in {
    intro_pictures p = {};
    ~pictures_in() { free_pictures(&p); }
};

// Loads the background and the slides in layout `l` (the 24-bit twins for the reference).
void load_all(pictures_in *out, const picture &background, const picture &slide, layout l,
              const temp_folder &dir) {
    out->p.background = load_as(background, l, dir);
    for (SDL_Surface *&s : out->p.slides)
        s = load_as(slide, l, dir);
}

// Differences per channel between two pictures, in each channel's own units.
struct channels {
    int r = 0, g = 0, b = 0;
};

channels difference(Uint16 a, Uint16 b) {
    return {std::abs((a >> 11) - (b >> 11)), std::abs((a >> 5 & 63) - (b >> 5 & 63)),
            std::abs((a & 31) - (b & 31))};
}

static intro_state reference_state; // the scroller's buffer is large
static intro_state tested_state;

// Draws a whole fade of slide 0 (in and out, 510 frames) and the first frame of slide 1,
// the pictures in `l` and their 24-bit twins side by side on two displays; every frame
// must be the same to within `tolerance` in each channel. Returns the largest differences.
channels largest_difference_in_a_fade(const picture &background, const picture &slide, layout l,
                                      channels tolerance) {
    temp_folder dir;
    pictures_in reference, tested;
    load_all(&reference, background, slide, layout::bits24, dir);
    load_all(&tested, background, slide, l, dir);
    channels largest;
    if (!tested.p.background || !tested.p.slides[0])
        return {-1, -1, -1};

    test_screen reference_display, tested_display;
    for (intro_state *s : {&reference_state, &tested_state}) {
        intro_prepare(s);
        intro_begin(s);
        s->scroller.text = ""; // nothing but background and slide
        s->scroller.cursor = s->scroller.text;
        s->frame_counter = 799; // the fader's first frame comes next
    }
    for (int frame = 1; frame <= 511; ++frame) {
        screen = reference_display.surface;
        draw_frame(&reference_state, &reference.p);
        screen = tested_display.surface;
        draw_frame(&tested_state, &tested.p);
        if (reference_display.store == tested_display.store)
            continue;
        for (int i = 0; i < 320 * 240; ++i) {
            const channels d =
                difference(reference_display.pixel_at(i), tested_display.pixel_at(i));
            largest = {std::max(largest.r, d.r), std::max(largest.g, d.g),
                       std::max(largest.b, d.b)};
            if (d.r > tolerance.r || d.g > tolerance.g || d.b > tolerance.b) {
                ADD_FAILURE() << "fader frame " << frame << " (alpha " << tested_state.fader.alpha
                              << " next) differs at (" << i % 320 << ", " << i / 320
                              << "): " << std::hex << tested_display.pixel_at(i) << " against "
                              << reference_display.pixel_at(i) << " from the 24-bit picture";
                return largest;
            }
        }
    }
    return largest;
}

void expect_fades_as_24_bits(const picture &background, const picture &slide, layout l) {
    const channels d = largest_difference_in_a_fade(background, slide, l, {});
    EXPECT_EQ(d.r + d.g + d.b, 0);
}

template <int colours> void expect_paletted_fades_as_24_bits(layout l) {
    expect_fades_as_24_bits(paletted_picture(128, 176, colours, 1),
                            paletted_picture(97, 61, colours, 2), l);
}

TEST(picture_formats, one_bit_fades_as_24_bits) {
    expect_paletted_fades_as_24_bits<2>(layout::bits1);
}

TEST(picture_formats, two_bits_fade_as_24_bits) {
    expect_paletted_fades_as_24_bits<4>(layout::bits2);
}

TEST(picture_formats, four_bits_fade_as_24_bits) {
    expect_paletted_fades_as_24_bits<16>(layout::bits4);
}

// The loader reads the first 2^bits entries of a longer palette; the rest changes nothing.
TEST(picture_formats, palettes_longer_than_the_depth_indexes_fade_as_24_bits) {
    expect_paletted_fades_as_24_bits<16>(layout::bits4_long_palette);
    expect_paletted_fades_as_24_bits<256>(layout::bits8_long_palette);
}

TEST(picture_formats, four_bits_run_length_encoded_fade_as_24_bits) {
    expect_paletted_fades_as_24_bits<16>(layout::rle4);
}

TEST(picture_formats, eight_bits_fade_as_24_bits) {
    expect_paletted_fades_as_24_bits<200>(layout::bits8);
}

TEST(picture_formats, eight_bits_run_length_encoded_fade_as_24_bits) {
    expect_paletted_fades_as_24_bits<200>(layout::rle8);
}

TEST(picture_formats, eight_bits_top_down_fade_as_24_bits) {
    expect_paletted_fades_as_24_bits<256>(layout::bits8_top_down);
}

TEST(picture_formats, sixteen_bits_5_5_5_fade_as_24_bits) {
    const auto opaque = [](int, int) { return Uint8{0}; };
    for (layout l : {layout::rgb555, layout::rgb555_bitfields})
        expect_fades_as_24_bits(direct_picture(128, 176, 1, through_555, opaque),
                                direct_picture(97, 61, 2, through_555, opaque), l);
}

// The display's own format is left as the loader gives it, and SDL blends 5-6-5 onto
// 5-6-5 with the alpha cut to 5 bits: up to 7/255 of the step between slide and ground
// is lost or won, a unit in the 5-bit channels, two in the 6-bit green, one more each
// where the two ways truncate differently.
TEST(picture_formats, sixteen_bits_5_6_5_fade_as_24_bits_within_its_rounding) {
    const auto opaque = [](int, int) { return Uint8{0}; };
    const channels d = largest_difference_in_a_fade(
        direct_picture(128, 176, 1, through_565, opaque),
        direct_picture(97, 61, 2, through_565, opaque), layout::rgb565_bitfields, {2, 3, 2});
    std::printf("[ measured ] 5-6-5 against 24 bits: largest differences r %d, g %d, b %d\n", d.r,
                d.g, d.b);
}

TEST(picture_formats, twenty_four_bits_top_down_fade_as_24_bits) {
    const auto opaque = [](int, int) { return Uint8{0}; };
    expect_fades_as_24_bits(direct_picture(128, 176, 1, exact, opaque),
                            direct_picture(97, 61, 2, exact, opaque), layout::bits24_top_down);
}

// The fourth byte of a 32-bit pixel is not the picture's to say: partial, zero or full,
// in either row order and with or without masks, the picture fades as its 24-bit twin.
TEST(picture_formats, thirty_two_bits_with_partial_alpha_fade_as_24_bits) {
    const auto partial = [](int x, int y) { return static_cast<Uint8>(x * 7 + y * 13); };
    for (layout l : {layout::argb32, layout::argb32_top_down, layout::bitfields32})
        expect_fades_as_24_bits(direct_picture(128, 176, 1, exact, partial),
                                direct_picture(97, 61, 2, exact, partial), l);
}

TEST(picture_formats, thirty_two_bits_with_zero_alpha_fade_as_24_bits) {
    const auto zero = [](int, int) { return Uint8{0}; };
    for (layout l : {layout::argb32, layout::bitfields32, layout::xrgb32_bitfields})
        expect_fades_as_24_bits(direct_picture(128, 176, 1, exact, zero),
                                direct_picture(97, 61, 2, exact, zero), l);
}

TEST(picture_formats, thirty_two_bits_with_full_alpha_fade_as_24_bits) {
    const auto full = [](int, int) { return Uint8{255}; };
    for (layout l : {layout::argb32, layout::bitfields32})
        expect_fades_as_24_bits(direct_picture(128, 176, 1, exact, full),
                                direct_picture(97, 61, 2, exact, full), l);
}

// What the normalising leaves alone: 24 bits, and the display's 5-6-5, stay as loaded.
TEST(picture_formats, twenty_four_bits_and_5_6_5_stay_as_the_loader_gives_them) {
    temp_folder dir;
    const auto opaque = [](int, int) { return Uint8{0}; };
    SDL_Surface *s24 = load_as(direct_picture(8, 4, 1, exact, opaque), layout::bits24, dir);
    SDL_Surface *s565 =
        load_as(direct_picture(8, 4, 1, through_565, opaque), layout::rgb565_bitfields, dir);
    ASSERT_NE(s24, nullptr);
    ASSERT_NE(s565, nullptr);
    EXPECT_EQ(s24->format->BitsPerPixel, 24);
    EXPECT_EQ(s565->format->BitsPerPixel, 16);
    EXPECT_EQ(s565->format->Rmask, 0xF800u);
    EXPECT_EQ(s565->format->Gmask, 0x07E0u);
    EXPECT_EQ(s565->format->Bmask, 0x001Fu);
    SDL_FreeSurface(s24);
    SDL_FreeSurface(s565);
}

} // namespace
