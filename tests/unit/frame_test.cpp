// One frame of the intro: the counter's advance and the drawing order background, slide,
// scroller, with and without a background picture.
#include <gtest/gtest.h>

#include <cmath>

#include "intro/frame.h"
#include "surfaces.h"

namespace {

const Uint16 cell_colour = 0xF81F;

int sine_direct(int i) {
    return static_cast<int>(std::trunc(30.0 * std::sin(i * 3.14 / 125.0)));
}

class FrameTest : public ::testing::Test {
  protected:
    test_screen display;
    static intro_state state; // the scroller's buffer is large
    intro_pictures pictures = {};

    FrameTest() {
        intro_prepare(&state);
        intro_begin(&state);
        // A blank text: every glyph step renders the empty NUL glyph.
        state.scroller.text = "";
        state.scroller.cursor = state.scroller.text;
    }
    ~FrameTest() override { free_pictures(&pictures); }

    // Puts one cell where this frame's shift moves it to (col, row).
    void put_cell(int col, int row) {
        state.scroller.cells[(col + scroller_shift) * scroller_rows + row] = cell_colour;
    }
    // Where cell (col, row) lands on screen in the frame with the given counter.
    static void cell_position(int col, int row, int counter, int *x, int *y) {
        *x = scroller_band_x + col + sine_direct(col + row);
        *y = scroller_band_y + row + sine_direct((counter + col + row) % scroller_sine_size);
    }
    void expect_dot(int x, int y, Uint16 colour) const {
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                EXPECT_EQ(display.pixel(x + dx, y + dy), colour) << x + dx << " " << y + dy;
    }
};

intro_state FrameTest::state;

TEST_F(FrameTest, BeginSetsTheFirstFramesState) {
    intro_prepare(&state);
    state.frame_counter = 999;
    state.fader.alpha = 99;
    state.scroller.cursor = state.scroller.text + 3;
    intro_begin(&state);
    EXPECT_EQ(state.frame_counter, frame_counter_start);
    EXPECT_EQ(state.fader.alpha, 1);
    EXPECT_EQ(state.fader.fade_count, 0);
    EXPECT_EQ(state.scroller.cursor, state.scroller.text);
    EXPECT_EQ(state.scroller.text, scroll_text);
}

TEST_F(FrameTest, EachFrameAdvancesTheCounterByTwo) {
    for (int n = 1; n <= 10; ++n) {
        draw_frame(&state, &pictures);
        EXPECT_EQ(state.frame_counter, frame_counter_in_frame(n));
    }
}

TEST_F(FrameTest, BackgroundThenSlideThenScrollerOnTop) {
    pictures.background = surface24(screen_width, screen_height, 0x4080C0);
    const int slide_w = 300, slide_h = 130; // covering the panel's corner of the screen
    for (SDL_Surface *&slide : pictures.slides)
        slide = surface24(slide_w, slide_h, 0xF01020);
    const Uint16 background = (0x40 >> 3) << 11 | (0x80 >> 2) << 5 | 0xC0 >> 3;
    const Uint16 slide = (0xF0 >> 3) << 11 | (0x10 >> 2) << 5 | 0x20 >> 3;

    // Frame 528, with the fader set by hand to the top of its fade-in: slide 0 fully opaque.
    state.frame_counter = frame_counter_in_frame(527);
    state.fader.alpha = 255;
    put_cell(60, 10);
    draw_frame(&state, &pictures);
    ASSERT_EQ(state.frame_counter, frame_counter_in_frame(528));

    int x, y;
    cell_position(60, 10, state.frame_counter, &x, &y);
    const int sx = x + scroller_shadow_dx, sy = y + scroller_shadow_dy;
    ASSERT_TRUE(x >= panel_x && sx + 1 < panel_x + slide_w && y >= panel_y &&
                sy + 1 < screen_height)
        << "dot and shadow on the slide";
    expect_dot(x, y, cell_colour);
    expect_dot(sx, sy, 0);

    int on_background = 0, on_slide = 0;
    for (int py = 0; py < screen_height; ++py)
        for (int px = 0; px < screen_width; ++px) {
            const bool panel = px >= panel_x && px < panel_x + slide_w && py >= panel_y;
            const Uint16 p = display.pixel(px, py);
            if (!panel)
                on_background += p == background;
            else
                on_slide += p == slide;
        }
    EXPECT_EQ(on_background, screen_width * screen_height - slide_w * slide_h);
    EXPECT_EQ(on_slide, slide_w * slide_h - 8);
    EXPECT_TRUE(display.guard_intact());
}

TEST_F(FrameTest, WithoutABackgroundEachFrameStartsFromBlack) {
    for (int i = 0; i < screen_width * screen_height; ++i)
        display.store[i] = static_cast<Uint16>(i * 7 | 1);
    put_cell(60, 10);
    draw_frame(&state, &pictures); // frame 1: no background, the fader still idle
    int x, y;
    cell_position(60, 10, 253, &x, &y);
    EXPECT_EQ(x, 239);
    EXPECT_EQ(y, 158);
    expect_dot(x, y, cell_colour);
    int lit = 0;
    for (int i = 0; i < screen_width * screen_height; ++i)
        lit += display.store[i] != 0;
    EXPECT_EQ(lit, 4) << "only this frame's dot";

    // The next frame's dot lies elsewhere, and the last one is gone.
    draw_frame(&state, &pictures);
    EXPECT_NE(display.pixel(x, y), cell_colour);
    EXPECT_TRUE(display.guard_intact());
}

} // namespace
