// A long run: 20,000 frames of the intro's own drawing with the real media on a software
// display, past the message's restart and two whole cycles of the slides, checking the
// scroller's cursor and the fader's state where they start over.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "intro/frame.h"
#include "intro/pictures.h"
#include "surfaces.h"

namespace {

enum {
    total_frames = 20000,
    first_fader_frame = 275, // the frame counter passes fader_starts_above here
    frames_per_slide = 510,  // 255 frames in, 255 out
    fader_cycle = frames_per_slide * slide_count,
    panel_right = 120, // the scroller never reaches left of x = 121
};

// The screen left of the scroller's reach: background and slide panel only.
std::vector<Uint16> left_part(const test_screen &display) {
    std::vector<Uint16> part;
    for (int y = 0; y < screen_height; ++y)
        for (int x = 0; x <= panel_right; ++x)
            part.push_back(display.pixel(x, y));
    return part;
}

// The cells where the newest glyph lands in the frame of its glyph step.
std::vector<int> newest_glyph(const scroller_state &s) {
    return std::vector<int>(s.cells + 186 * scroller_rows, s.cells + 193 * scroller_rows);
}

// Where res/ lacks a picture, a plain one of the intro's sizes stands in, so that every
// frame still blits and blends.
void stand_in_for_missing(intro_pictures *p) {
    if (!p->background)
        p->background = surface24(screen_width, screen_height, 0x204060);
    for (int i = 0; i < slide_count; ++i)
        if (!p->slides[i])
            p->slides[i] = surface24(panel_width, panel_height, 0x0F0F0F * (i + 1));
}

TEST(long_run, twenty_thousand_frames_start_over_where_they_should) {
    test_screen display;
    static intro_pictures pictures;
    load_pictures(&pictures);
    stand_in_for_missing(&pictures);
    static intro_state state;
    intro_prepare(&state);
    intro_begin(&state);

    const char *text = state.scroller.text;
    const int text_length = static_cast<int>(std::strlen(text));
    const int restart = 3 * (text_length + 1); // glyph steps in frames 1, 4, 7, ...
    ASSERT_LT(2 * restart, total_frames);

    std::vector<int> first_glyph;
    std::vector<Uint16> at_first_slide_frame, at_later_frame;
    int restarts_seen = 0, fader_restarts_seen = 0;
    for (int frame = 1; frame <= total_frames; ++frame) {
        draw_frame(&state, &pictures);
        ASSERT_EQ(state.frame_counter, frame_counter_in_frame(frame));

        // The cursor: one character per glyph step, back to the start after the NUL.
        const int steps = (frame + 2) / 3;
        ASSERT_EQ(state.scroller.cursor - text, steps % (text_length + 1)) << "frame " << frame;
        if (frame == 1)
            first_glyph = newest_glyph(state.scroller);
        if (frame > restart && frame % restart == 0) {
            EXPECT_EQ(state.scroller.cursor, text) << "frame " << frame;
            ++restarts_seen;
        }
        if (frame > restart && frame % restart == 1) {
            // The first character again, drawn exactly as in frame 1.
            EXPECT_EQ(state.scroller.cursor, text + 1) << "frame " << frame;
            EXPECT_EQ(newest_glyph(state.scroller), first_glyph) << "frame " << frame;
        }

        // The fader: a turn at every 255 frames, a new slide at every 510.
        if (frame < first_fader_frame) {
            ASSERT_EQ(state.fader.fade_count, 0);
            ASSERT_EQ(state.fader.alpha, 1);
        } else {
            const int shown = frame - first_fader_frame + 1;
            ASSERT_EQ(state.fader.fade_count, shown / 255) << "frame " << frame;
            ASSERT_GE(state.fader.alpha, 0);
            ASSERT_LE(state.fader.alpha, 255);
            if (shown % frames_per_slide == 0) {
                EXPECT_EQ(state.fader.alpha, 1) << "frame " << frame;
                EXPECT_EQ(state.fader.step, 1) << "frame " << frame;
                EXPECT_EQ(fader_slide_index(&state.fader), shown / frames_per_slide % slide_count);
            }
            if (shown % fader_cycle == 0) {
                EXPECT_EQ(state.fader.fade_count, 32 * (shown / fader_cycle));
                EXPECT_EQ(fader_slide_index(&state.fader), 0);
                ++fader_restarts_seen;
            }
            // Slide 0 fading in looks the same in every cycle.
            if (shown == 1)
                at_first_slide_frame = left_part(display);
            if (shown == 100)
                at_later_frame = left_part(display);
            if (shown > fader_cycle && shown % fader_cycle == 1) {
                EXPECT_EQ(left_part(display), at_first_slide_frame) << "frame " << frame;
            }
            if (shown > fader_cycle && shown % fader_cycle == 100) {
                EXPECT_EQ(left_part(display), at_later_frame) << "frame " << frame;
            }
        }
        if (frame % 1000 == 0) {
            ASSERT_TRUE(display.guard_intact()) << "frame " << frame;
        }
    }
    EXPECT_GE(restarts_seen, 2);
    EXPECT_EQ(fader_restarts_seen, 2);
    EXPECT_TRUE(display.guard_intact());
    free_pictures(&pictures);
}

// With the message the intro ships, the restart falls where the intro's timing says.
TEST(long_run, the_shipped_message_restarts_after_6054_frames) {
    if (std::strlen(scroll_text) != 2017)
        GTEST_SKIP() << "the message is not the final one yet";
    static intro_state state;
    intro_prepare(&state);
    intro_begin(&state);
    test_screen display;
    static intro_pictures none = {};
    for (int frame = 1; frame <= 6054; ++frame) {
        draw_frame(&state, &none);
        if (frame == 6051) {
            EXPECT_EQ(*state.scroller.cursor, '\0');
        }
    }
    EXPECT_EQ(state.scroller.cursor, state.scroller.text);
    draw_frame(&state, &none);
    EXPECT_EQ(state.scroller.cursor, state.scroller.text + 1);
}

} // namespace
