// The frame counter after years of frames: it is brought back by whole periods before it
// can overflow, and the frames drawn across that point are the frames it would have drawn.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "intro/frame.h"
#include "surfaces.h"

namespace {

// A background and slides with detail in every pixel, so any change in the blend shows.
SDL_Surface *make_picture(int w, int h, int seed) {
    return surface24(w, h, [seed](int x, int y) {
        return Uint32{(x * 3 + seed) & 0xFFu} << 16 | Uint32{(y * 5 + seed * 7) & 0xFFu} << 8 |
               (((x ^ y) + seed * 31) & 0xFFu);
    });
}

class CounterWrapTest : public ::testing::Test {
  protected:
    test_screen display;
    static intro_state running; // the scroller's buffer is large
    static intro_state earlier;
    intro_pictures pictures = {};

    CounterWrapTest() {
        pictures.background = make_picture(screen_width, screen_height, 0);
        for (int i = 0; i < slide_count; ++i)
            pictures.slides[i] = make_picture(120, 100, i + 1);
        // A state from the middle of a run: glyphs in the buffer, a slide half faded in.
        intro_prepare(&running);
        intro_begin(&running);
        for (int frame = 1; frame <= 400; ++frame)
            draw_frame(&running, &pictures);
    }
    ~CounterWrapTest() override { free_pictures(&pictures); }

    std::vector<Uint16> draw(intro_state *s) {
        draw_frame(s, &pictures);
        return std::vector<Uint16>(display.store.begin(),
                                   display.store.begin() + screen_width * screen_height);
    }

    // Runs the state as it is and a copy of it 750 counts earlier side by side; every
    // frame must look the same. Returns the lowest counter the running state had.
    int expect_same_frames_as_750_counts_earlier(int frames) {
        earlier = running;
        earlier.frame_counter = running.frame_counter - 750;
        int lowest = running.frame_counter;
        for (int frame = 1; frame <= frames; ++frame) {
            const std::vector<Uint16> now = draw(&running);
            const std::vector<Uint16> then = draw(&earlier);
            lowest = std::min(lowest, running.frame_counter);
            EXPECT_GT(running.frame_counter, fader_starts_above) << "frame " << frame;
            EXPECT_EQ(running.frame_counter % 2, 1) << "frame " << frame;
            if (now != then) {
                ADD_FAILURE() << "frame " << frame << " (counter " << running.frame_counter
                              << ") differs from the one 750 counts earlier";
                break;
            }
        }
        EXPECT_TRUE(display.guard_intact());
        return lowest;
    }
};

intro_state CounterWrapTest::running;
intro_state CounterWrapTest::earlier;

// From just below the largest value the counter can hold, a few hundred frames: without
// the wrap the counter overflows here, which the sanitizer build reports and aborts on.
TEST_F(CounterWrapTest, RunsOnFromJustBelowTheLargestCounter) {
    running.frame_counter = INT_MAX - frame_counter_step * 50;
    const int lowest = expect_same_frames_as_750_counts_earlier(300);
    EXPECT_LE(lowest, frame_counter_wrap_above) << "the counter was never brought back";
}

TEST_F(CounterWrapTest, FramesAcrossTheWrapMatchThoseOf750CountsEarlier) {
    running.frame_counter = frame_counter_wrap_above - frame_counter_step * 100 + 1;
    const int lowest = expect_same_frames_as_750_counts_earlier(300);
    EXPECT_LT(lowest, frame_counter_wrap_above - frame_counter_wrap_by + 10)
        << "the run did not cross the wrap";
}

TEST_F(CounterWrapTest, TheSlidesAndTheTextCarryOnAcrossTheWrap) {
    running.frame_counter = frame_counter_wrap_above - 1;
    const fader_state fader = running.fader;
    const char *cursor = running.scroller.cursor;
    for (int frame = 1; frame <= 6; ++frame)
        draw_frame(&running, &pictures);
    EXPECT_EQ(running.fader.alpha, fader.alpha + 6 * fader.step);
    EXPECT_EQ(running.scroller.cursor, cursor + 2); // two glyph steps in six frames
}

} // namespace
