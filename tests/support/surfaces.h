// Surfaces for tests: a screen_width x screen_height 5-6-5 software display installed as `screen`
// with its format cached, with guard rows after the pixel store to catch writes past its end; and
// 24-bit pictures as SDL's BMP loader returns them.
#pragma once

#include <SDL.h>

#include <functional>
#include <vector>

#include "gfx/gfx.h"
#include "intro/screen_sound_media.h"

struct test_screen {
    static constexpr int guard_pixels = screen_width * 8;
    static constexpr Uint16 guard_value = 0xA55A;
    std::vector<Uint16> store;
    SDL_Surface *surface;

    test_screen() : store(screen_width * screen_height + guard_pixels, 0) {
        for (int i = 0; i < guard_pixels; ++i)
            store[screen_width * screen_height + i] = guard_value;
        surface =
            SDL_CreateRGBSurfaceFrom(store.data(), screen_width, screen_height, screen_depth,
                                     screen_width * screen_depth / 8, 0xF800, 0x07E0, 0x001F, 0);
        screen = surface;
        cache_pixel_format(surface->format);
    }
    ~test_screen() {
        SDL_FreeSurface(surface);
        screen = nullptr;
    }
    test_screen(const test_screen &) = delete;
    test_screen &operator=(const test_screen &) = delete;

    Uint16 pixel(int x, int y) const { return store[y * screen_width + x]; }
    Uint16 pixel_at(int index) const { return store[index]; }
    // The screen's pixels without the guard rows.
    std::vector<Uint16> pixels() const {
        return {store.begin(), store.begin() + screen_width * screen_height};
    }
    int count_nonzero() const {
        int n = 0;
        for (int i = 0; i < screen_width * screen_height; ++i)
            n += store[i] != 0;
        return n;
    }
    bool guard_intact() const {
        for (int i = 0; i < guard_pixels; ++i)
            if (store[screen_width * screen_height + i] != guard_value)
                return false;
        return true;
    }
};

// A w x h picture of 24 bits, red in the top byte, every pixel `colour` (0xRRGGBB) or
// `colour_at(x, y)`.
SDL_Surface *surface24(int w, int h, Uint32 colour);
SDL_Surface *surface24(int w, int h, const std::function<Uint32(int x, int y)> &colour_at);
