// intro-capture against the intro itself: screens grabbed from the intro running on a
// private Xvfb must each be, pixel for pixel, one of the frames intro-capture writes, and
// in the right order. The scroller moves 3 pixels a frame, so once it shows text every
// frame is unlike every other and the match names the frame. The slide panel, on the
// screen and in the tool's frames, must be the first slide blended over the background
// with all 8 bits of the fade's alpha, and its opaque peak must look like its neighbours.
#include <gtest/gtest.h>

#include <SDL.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "surfaces.h"

namespace {

using namespace e2e;

// The intro on a private Xvfb of its own size, in a folder with res/ (without
// res/back.dat when `background` is false).
class CaptureMatchesIntro : public ::testing::Test {
  protected:
    void start(bool with_background) {
        std::string error;
        ASSERT_TRUE(start_x_server(&server, &error)) << error;
        ASSERT_TRUE(make_temp_folder(&folder));
        ASSERT_TRUE(prepare_res(folder.path));
        const std::string back = folder.path + "/res/back.dat";
        int w = 0, h = 0;
        background = bmp_as_565(back, &w, &h);
        ASSERT_EQ(background.size(), static_cast<size_t>(width * height));
        if (!with_background) {
            ASSERT_EQ(std::remove(back.c_str()), 0);
            background.assign(background.size(), 0);
        }
        started = now_s();
        ASSERT_TRUE(start_intro(&intro, folder.path, &server));
        ASSERT_NE(wait_for_intro_window(server.display, 10), 0u) << intro_stderr(&intro);
    }

    // Waits for a screen that shows the intro drawing (the rows above the slide panel and
    // the scroller are the background's) and `wanted`.
    void grab(display_test wanted) {
        std::string wrong;
        shots.push_back(wait_for_display(server.display, &intro, {1, 0, 0}, background, 40,
                                         folder.path, &wrong, wanted));
        ASSERT_FALSE(shots.back().empty()) << wrong;
    }

    // Ends the intro and tells which of intro-capture's frames the screens are.
    std::vector<int> captured_frames() {
        const int last = last_possible_frame(started);
        press_key(server.display, XK_Escape);
        EXPECT_TRUE(wait_intro_exit(&intro, 10));
        std::string faults;
        const std::vector<int> matched =
            match_captured_frames(CAPTURE_EXE, folder.path, last, shots, folder.path, &faults);
        EXPECT_EQ(faults, "");
        return matched;
    }

    x_server server;
    temp_folder folder;
    std::vector<std::uint16_t> background;
    double started = 0;
    intro_process intro;
    std::vector<std::vector<std::uint16_t>> shots;
};

TEST_F(CaptureMatchesIntro, GrabbedScreensAreCapturedFramesInOrder) {
    ASSERT_NO_FATAL_FAILURE(start(true));
    // One screen once the scroller has left the background's band (until then, as the
    // message starts with spaces, many frames look alike), and one once the first slide has
    // faded in far enough to show, so the slide's blending is compared too.
    ASSERT_NO_FATAL_FAILURE(grab(shows_text));
    ASSERT_NO_FATAL_FAILURE(grab(shows_text_and_slide));
    const std::vector<int> matched = captured_frames();
    std::printf("[ measured ] grabbed screens are frames %d and %d\n", matched[0], matched[1]);
    EXPECT_LT(matched[0], matched[1]);

    // The first slide rises from alpha 1 in frame 275 by one a frame.
    const int alpha = matched[1] - 274;
    ASSERT_GE(alpha, 1);
    ASSERT_LE(alpha, 255);
    int slide_w = 0, slide_h = 0;
    const std::vector<std::uint32_t> slide =
        bmp_as_rgb(folder.path + "/res/sl0.dat", &slide_w, &slide_h);
    std::vector<std::uint32_t> ground;
    for (std::uint16_t v : background)
        ground.push_back(widen_565(v));
    const int off = panel_off_blend(shots[1], ground, slide, slide_w, slide_h, alpha);
    std::printf("[ measured ] the slide on screen at alpha %d: at most %d level(s) off an 8-bit "
                "blend\n",
                alpha, off);
    EXPECT_LE(off, 1);
}

// The fade in intro-capture's frames: alpha 1, 128, 254, the opaque peak at 255 and 254
// again are the first slide blended over the background with 8 bits of alpha, and the
// panel at the peak is the same as in the frames on either side: no blink.
TEST_F(CaptureMatchesIntro, TheFadeIsAnEightBitBlendWithNoJumpAtThePeak) {
    ASSERT_TRUE(make_temp_folder(&folder));
    ASSERT_TRUE(prepare_res(folder.path));
    const std::string command = "cd '" + folder.path + "' && '" + CAPTURE_EXE +
                                "' --frames 275 --out frames >/dev/null && '" + CAPTURE_EXE +
                                "' --frames 402 --out frames >/dev/null && '" + CAPTURE_EXE +
                                "' --frames 528-530 --out frames >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    int w = 0, h = 0, slide_w = 0, slide_h = 0;
    const std::vector<std::uint32_t> ground = bmp_as_rgb(folder.path + "/res/back.dat", &w, &h);
    const std::vector<std::uint32_t> slide =
        bmp_as_rgb(folder.path + "/res/sl0.dat", &slide_w, &slide_h);
    ASSERT_EQ(ground.size(), static_cast<size_t>(width * height));
    ASSERT_FALSE(slide.empty());
    std::vector<std::uint16_t> panel[3]; // frames 528 to 530, left of the scroller
    for (int frame : {275, 402, 528, 529, 530}) {
        char name[64];
        std::snprintf(name, sizeof name, "/frames/frame%06d.bmp", frame);
        const std::vector<std::uint16_t> shot = bmp_as_565(folder.path + name, &w, &h);
        ASSERT_EQ(shot.size(), static_cast<size_t>(width * height)) << name;
        const int alpha = frame <= 529 ? frame - 274 : 784 - frame;
        EXPECT_LE(panel_off_blend(shot, ground, slide, slide_w, slide_h, alpha), 1)
            << "frame " << frame << ", alpha " << alpha;
        if (frame >= 528)
            for (int y = panel_y; y < panel_y + slide_h; ++y)
                for (int x = panel_x; x < 121; ++x)
                    panel[frame - 528].push_back(shot[y * width + x]);
    }
    EXPECT_TRUE(panel[1] == panel[0]) << "the opaque peak differs from alpha 254 before it";
    EXPECT_TRUE(panel[1] == panel[2]) << "the opaque peak differs from alpha 254 after it";
}

// Without res/back.dat each frame starts from black: the screens grabbed as the scroller
// crosses the display are intro-capture's frames of the same media over a black background
// picture, not the scroller's trail piled up frame after frame.
TEST_F(CaptureMatchesIntro, WithoutABackgroundTheScreensAreFramesOnBlack) {
    ASSERT_NO_FATAL_FAILURE(start(false));
    // Three screens half a second or more apart, once the scroller shows text.
    for (int i = 0; i < 3; ++i, sleep_s(0.5))
        ASSERT_NO_FATAL_FAILURE(grab(shows_text));
    SDL_Surface *picture = surface24(width, height, 0x000000);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(SDL_SaveBMP(picture, (folder.path + "/res/back.dat").c_str()), 0);
    SDL_FreeSurface(picture);
    const std::vector<int> matched = captured_frames();
    std::printf("[ measured ] grabbed screens are frames %d, %d and %d\n", matched[0], matched[1],
                matched[2]);
}

} // namespace
