// The media tests' shared pictures and checks.
#include "media_fixtures.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "intro/frame.h"
#include "intro/pictures.h"
#include "surfaces.h"

const unsigned char colours[3][4][3] = {
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}},
    {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {0, 0, 0}},
    {{200, 100, 50}, {50, 100, 200}, {128, 128, 128}, {255, 255, 0}},
};

bytes make_bmp(std::int32_t width, std::int32_t height, unsigned bpp, const bytes &pixels,
               const bytes &palette, std::uint32_t compression, const bytes &masks) {
    return bmp_file({width, height, bpp, compression, masks, palette}, pixels);
}

// Blue, green, red of each pixel, and `extra` bytes after each, rows in file order.
static bytes pixel_rows(bool top_down, int extra) {
    bytes px;
    for (int i = 0; i < 3; ++i) {
        const int y = top_down ? i : 2 - i;
        for (int x = 0; x < 4; ++x) {
            for (int c = 2; c >= 0; --c)
                px.push_back(colours[y][x][c]);
            px.insert(px.end(), extra, 255);
        }
    }
    return px;
}

bytes pixels24(bool top_down) {
    return pixel_rows(top_down, 0);
}

bytes picture24(bool top_down) {
    return make_bmp(4, top_down ? -3 : 3, 24, pixels24(top_down));
}

bytes picture32() {
    return make_bmp(4, 3, 32, pixel_rows(false, 1));
}

bytes picture8() {
    bytes palette, px;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            for (int c = 2; c >= 0; --c)
                palette.push_back(colours[y][x][c]);
            palette.push_back(0);
        }
    for (int y = 2; y >= 0; --y)
        for (int x = 0; x < 4; ++x)
            px.push_back(4 * y + x);
    return make_bmp(4, 3, 8, px, palette);
}

bytes claiming(std::int32_t width, std::int32_t height, unsigned bpp) {
    return make_bmp(width, height, bpp, bytes(64, 0x55));
}

std::string load_and_capture(const std::string &path, SDL_Surface **out) {
    testing::internal::CaptureStderr();
    *out = load_picture(path.c_str());
    return testing::internal::GetCapturedStderr();
}

int line_count(const std::string &s) {
    int n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

void expect_refused(const std::string &path, const std::string &reason) {
    SDL_Surface *s = nullptr;
    const std::string message = load_and_capture(path, &s);
    EXPECT_EQ(s, nullptr) << path;
    SDL_FreeSurface(s);
    EXPECT_EQ(line_count(message), 1) << message;
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find(reason), std::string::npos) << message;
}

void expect_loads_as_the_picture(const std::string &path) {
    SDL_Surface *s = nullptr;
    EXPECT_EQ(load_and_capture(path, &s), "") << path;
    ASSERT_NE(s, nullptr) << path;
    EXPECT_EQ(s->w, 4);
    EXPECT_EQ(s->h, 3);
    SDL_LockSurface(s);
    for (int y = 0; y < s->h && y < 3; ++y)
        for (int x = 0; x < s->w && x < 4; ++x) {
            const Uint8 *p =
                static_cast<const Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
            Uint32 v = 0;
            for (int i = 0; i < s->format->BytesPerPixel; ++i)
                v |= static_cast<Uint32>(p[i]) << 8 * i;
            Uint8 r, g, b;
            SDL_GetRGB(v, s->format, &r, &g, &b);
            EXPECT_EQ(r, colours[y][x][0]) << x << "," << y;
            EXPECT_EQ(g, colours[y][x][1]) << x << "," << y;
            EXPECT_EQ(b, colours[y][x][2]) << x << "," << y;
        }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
}

bool frames_draw_within_the_screen(const intro_pictures *pictures) {
    test_screen display;
    static intro_state state;
    intro_prepare(&state);
    intro_begin(&state);
    // Through the first two slides' turns, however many of them are missing.
    for (int frame = 1; frame <= 5000 && state.fader.fade_count < 4; ++frame)
        draw_frame(&state, pictures);
    return state.fader.fade_count == 4 && display.guard_intact();
}

in_folder::in_folder(const std::string &dir) {
    if (!getcwd(previous, sizeof previous))
        previous[0] = 0;
    EXPECT_EQ(chdir(dir.c_str()), 0);
}

in_folder::~in_folder() {
    EXPECT_EQ(chdir(previous), 0);
}
