// The slide cross-fader: when it starts, which slide it shows at which alpha across the
// turning points of its cycle, what its blits leave on the 5-6-5 display, and how it gets
// past slides that failed to load. The slides are 24-bit software surfaces, as the BMP
// loader returns them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "intro/fader.h"
#include "surfaces.h"

namespace {

const Uint16 ground = 0x4208;
const int slide_w = 40, slide_h = 30;

// The first slide shows in frame 275, eleven seconds in: fader frame i is frame 274 + i.
const int last_idle_frame = 274;
int counter_of_fader_frame(int i) {
    return frame_counter_in_frame(last_idle_frame + i);
}

// Every pixel of slide k gets its own colour, spread over the whole 8-bit range.
void slide_colour(int k, int x, int y, Uint8 *r, Uint8 *g, Uint8 *b) {
    *r = static_cast<Uint8>(x * 6 + k * 13);
    *g = static_cast<Uint8>(y * 8 + k * 29 + x);
    *b = static_cast<Uint8>(255 - x * 5 - y * 3 - k);
}

// Slide k drawn into a 24-bit surface, written out as a BMP in memory and read back through
// the same loader the intro uses, so the test blends what the intro blends.
SDL_Surface *make_slide(int k) {
    SDL_Surface *s = surface24(slide_w, slide_h, [k](int x, int y) {
        Uint8 r, g, b;
        slide_colour(k, x, y, &r, &g, &b);
        return Uint32{r} << 16 | Uint32{g} << 8 | b;
    });
    static unsigned char bmp[64 * 1024];
    SDL_SaveBMP_RW(s, SDL_RWFromMem(bmp, sizeof bmp), 1);
    SDL_FreeSurface(s);
    SDL_Surface *loaded = SDL_LoadBMP_RW(SDL_RWFromMem(bmp, sizeof bmp), 1);
    EXPECT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->format->BitsPerPixel, 24);
    return loaded;
}

// 8-bit components packed into 5-6-5 by hand, and unpacked to 5-6-5 levels.
Uint16 pack(int r, int g, int b) {
    return static_cast<Uint16>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
}

struct shown {
    int slide; // -1 when no slide was handed to the library
    int alpha;
};

class FaderTest : public ::testing::Test {
  protected:
    test_screen display;
    SDL_Surface *slides[slide_count];
    fader_state f;

    FaderTest() {
        for (int k = 0; k < slide_count; ++k)
            slides[k] = make_slide(k);
        fader_reset(&f);
        fill_screen();
    }
    ~FaderTest() override {
        for (SDL_Surface *s : slides)
            SDL_FreeSurface(s);
    }

    void fill_screen() {
        for (int i = 0; i < screen_width * screen_height; ++i)
            display.store[i] = ground;
    }
    bool screen_is_ground() const {
        for (int i = 0; i < screen_width * screen_height; ++i)
            if (display.store[i] != ground)
                return false;
        return display.guard_intact();
    }
    // Runs one fader step and reports which slide it handed to SDL_SetAlpha and with what
    // alpha, read back from the surfaces.
    shown step(int counter) {
        for (SDL_Surface *s : slides)
            if (s)
                SDL_SetAlpha(s, 0, 255);
        fader_step(&f, slides, counter);
        shown result = {-1, -1};
        for (int k = 0; k < slide_count; ++k)
            if (slides[k] && (slides[k]->flags & SDL_SRCALPHA)) {
                EXPECT_EQ(result.slide, -1) << "two slides used in one frame";
                result = {k, slides[k]->format->alpha};
            }
        return result;
    }
    // Runs fader frames first..last and checks nothing.
    void run_fader_frames(int first, int last) {
        for (int i = first; i <= last; ++i)
            fader_step(&f, slides, counter_of_fader_frame(i));
    }
    // Expects the panel to hold slide k blended at `alpha` over the ground, within one 5-6-5
    // level per component, and everything else untouched.
    void expect_panel(int k, int alpha, int tolerance) {
        const int gr = 0x42, gg = 0x41, gb = 0x42; // the ground 0x4208 in 8 bits
        int worst = 0;
        for (int y = 0; y < screen_height; ++y)
            for (int x = 0; x < screen_width; ++x) {
                const Uint16 p = display.pixel(x, y);
                const int sx = x - panel_x, sy = y - panel_y; // in the slide
                if (sx < 0 || sx >= slide_w || sy < 0 || sy >= slide_h) {
                    ASSERT_EQ(p, ground) << x << " " << y;
                    continue;
                }
                Uint8 r, g, b;
                slide_colour(k, sx, sy, &r, &g, &b);
                const int er = (r * alpha + gr * (255 - alpha)) / 255;
                const int eg = (g * alpha + gg * (255 - alpha)) / 255;
                const int eb = (b * alpha + gb * (255 - alpha)) / 255;
                const Uint16 e = pack(er, eg, eb);
                if (tolerance == 0) {
                    ASSERT_EQ(p, e) << x << " " << y;
                    continue;
                }
                worst = std::max(worst, std::abs((p >> 11) - (e >> 11)));
                worst = std::max(worst, std::abs((p >> 5 & 63) - (e >> 5 & 63)));
                worst = std::max(worst, std::abs((p & 31) - (e & 31)));
            }
        EXPECT_LE(worst, tolerance);
        EXPECT_TRUE(display.guard_intact());
    }
};

TEST_F(FaderTest, ResetGivesTheStartingState) {
    f.alpha = 77;
    f.step = -1;
    f.fade_count = 9;
    fader_reset(&f);
    EXPECT_EQ(f.alpha, 1);
    EXPECT_EQ(f.step, 1);
    EXPECT_EQ(f.fade_count, 0);
    EXPECT_EQ(f.position.x, panel_x);
    EXPECT_EQ(f.position.y, panel_y);
    EXPECT_EQ(fader_slide_index(&f), 0);
}

TEST_F(FaderTest, NothingHappensUpToFrame274) {
    for (int n = 1; n <= last_idle_frame; ++n) {
        const shown s = step(frame_counter_in_frame(n));
        ASSERT_EQ(s.slide, -1) << "frame " << n;
    }
    EXPECT_EQ(frame_counter_in_frame(last_idle_frame), 799);
    EXPECT_EQ(f.alpha, 1);
    EXPECT_EQ(f.step, 1);
    EXPECT_EQ(f.fade_count, 0);
    EXPECT_TRUE(screen_is_ground());
    // An even counter never occurs, but the fader's start is still idle.
    EXPECT_EQ(step(fader_starts_above).slide, -1);
}

TEST_F(FaderTest, Frame275ShowsSlideZeroAtAlphaOne) {
    const shown s = step(counter_of_fader_frame(1));
    EXPECT_EQ(s.slide, 0);
    EXPECT_EQ(s.alpha, 1);
    EXPECT_EQ(f.alpha, 2);
    EXPECT_EQ(f.fade_count, 0);
}

TEST_F(FaderTest, TurningPointsOfTheFirstSlides) {
    for (int i = 1; i <= 1100; ++i) {
        const shown s = step(counter_of_fader_frame(i));
        // Slide i / 510 rises for 255 frames from alpha 1, then falls for 255 frames to 0.
        const int slide = (i - 1) / 510;
        const int j = (i - 1) % 510; // 0..509 within the slide's turn
        const int alpha = j < 255 ? j + 1 : 509 - j;
        ASSERT_EQ(s.slide, slide) << "fader frame " << i;
        ASSERT_EQ(s.alpha, alpha) << "fader frame " << i;
        if (i == 255) {
            EXPECT_EQ(s.alpha, 255);
            EXPECT_EQ(f.fade_count, 1);
            EXPECT_EQ(f.step, -1);
        }
        if (i == 510) {
            EXPECT_EQ(s.alpha, 0);
            EXPECT_EQ(f.fade_count, 2);
            EXPECT_EQ(f.step, 1);
        }
        if (i == 511) {
            EXPECT_EQ(s.slide, 1);
        }
    }
}

TEST_F(FaderTest, SlideFifteenIsFollowedBySlideZeroAndACycleIs8160Frames) {
    shown first_cycle[600];
    for (int i = 1; i <= 8160 + 600; ++i) {
        const shown s = step(counter_of_fader_frame(i));
        if (i <= 600)
            first_cycle[i - 1] = s;
        if (i == 15 * 510 + 1) {
            EXPECT_EQ(s.slide, 15);
            EXPECT_EQ(s.alpha, 1);
        }
        if (i == 8160) {
            EXPECT_EQ(s.slide, 15);
            EXPECT_EQ(s.alpha, 0);
            EXPECT_EQ(f.fade_count, 32);
            EXPECT_EQ(fader_slide_index(&f), 0);
        }
        if (i == 8161) {
            EXPECT_EQ(s.slide, 0);
            EXPECT_EQ(s.alpha, 1);
        }
        if (i > 8160) {
            ASSERT_EQ(s.slide, first_cycle[i - 8161].slide) << i;
            ASSERT_EQ(s.alpha, first_cycle[i - 8161].alpha) << i;
        }
    }
}

TEST_F(FaderTest, Alpha255IsAnExactCopyOfTheSlideIn565) {
    run_fader_frames(1, 254);
    fill_screen();
    const shown s = step(counter_of_fader_frame(255));
    ASSERT_EQ(s.alpha, 255);
    expect_panel(0, 255, 0);
}

TEST_F(FaderTest, Alpha128BlendsSlideAndBackground) {
    run_fader_frames(1, 127);
    fill_screen();
    const shown s = step(counter_of_fader_frame(128));
    ASSERT_EQ(s.alpha, 128);
    expect_panel(0, 128, 1);
}

TEST_F(FaderTest, AlphaZeroLeavesTheBackground) {
    run_fader_frames(1, 509);
    fill_screen();
    const shown s = step(counter_of_fader_frame(510));
    ASSERT_EQ(s.slide, 0);
    ASSERT_EQ(s.alpha, 0);
    EXPECT_TRUE(screen_is_ground());
}

TEST_F(FaderTest, SlideOfTheNextTurnIsBlittedToo) {
    run_fader_frames(1, 510 * 3 + 254);
    fill_screen();
    const shown s = step(counter_of_fader_frame(510 * 3 + 255));
    ASSERT_EQ(s.slide, 3);
    expect_panel(3, 255, 0);
}

TEST_F(FaderTest, MissingSlideShowsTheBackgroundForItsTurnAndKeepsTheTiming) {
    // Handing a null surface to SDL_SetAlpha or the blit would crash this test.
    SDL_FreeSurface(slides[1]);
    slides[1] = nullptr;
    run_fader_frames(1, 510);
    fill_screen();
    for (int i = 511; i <= 1020; ++i) {
        const shown s = step(counter_of_fader_frame(i));
        ASSERT_EQ(s.slide, -1) << "fader frame " << i;
    }
    EXPECT_TRUE(screen_is_ground());
    EXPECT_EQ(f.fade_count, 4);
    const shown next = step(counter_of_fader_frame(1021));
    EXPECT_EQ(next.slide, 2);
    EXPECT_EQ(next.alpha, 1);
    run_fader_frames(1022, 1020 + 254);
    fill_screen();
    step(counter_of_fader_frame(1020 + 255));
    expect_panel(2, 255, 0);
}

TEST_F(FaderTest, NoSlidesAtAllDrawNothingForAWholeCycle) {
    for (SDL_Surface *&s : slides) {
        SDL_FreeSurface(s);
        s = nullptr;
    }
    run_fader_frames(1, 8160);
    EXPECT_TRUE(screen_is_ground());
    EXPECT_EQ(f.fade_count, 32);
    EXPECT_EQ(f.alpha, 1);
}

} // namespace
