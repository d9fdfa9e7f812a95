// The intro on today's screens: a 24-bit Xvfb of 1920x1080 (and 1280x720) with the openbox
// window manager. The 320x240 display is enlarged by a whole number into the middle of the
// screen, as sharp blocks of the picture's own 5-6-5 colours; the cursor is hidden over it,
// and Escape still ends it with exit code 0.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "harness.h"

namespace {

using namespace e2e;

class LargeScreenTest : public ::testing::TestWithParam<screen_size> {
  protected:
    // Xvfb at `size` with 24 bits a pixel, openbox, res/, and the intro's window up.
    void start(const screen_size &size, const intro_env &env = {}) {
        const std::string screen =
            std::to_string(size.width) + "x" + std::to_string(size.height) + "x24";
        std::string error;
        ASSERT_TRUE(start_x_server(&server, &error, screen.c_str())) << error;
        ASSERT_TRUE(start_window_manager(&server, &error)) << error;
        ASSERT_TRUE(make_temp_folder(&folder));
        ASSERT_TRUE(prepare_res(folder.path));
        int w = 0, h = 0;
        background = bmp_as_565(folder.path + "/res/back.dat", &w, &h);
        ASSERT_EQ(w, width);
        ASSERT_EQ(h, height);
        ASSERT_TRUE(start_intro(&intro, folder.path, &server, env));
        ASSERT_NE(wait_for_intro_window(server.display, 20), 0u) << "no window appeared; stderr:\n"
                                                                 << intro_stderr(&intro);
    }

    x_server server;
    temp_folder folder;
    intro_process intro;
    std::vector<std::uint16_t> background;
};

TEST_P(LargeScreenTest, ShowsSharpWholeNumberBlocksCentredWithoutCursorAndEndsOnEscape) {
    const screen_size size = GetParam();
    ASSERT_NO_FATAL_FAILURE(start(size));

    const placement p = whole_number_placement(size.width, size.height);
    std::string wrong;
    EXPECT_FALSE(
        wait_for_display(server.display, &intro, p, background, 10, folder.path, &wrong).empty())
        << "expected " << p.scale << "x enlargement at (" << p.x << ", " << p.y << "): " << wrong;

    move_pointer(server.display, size.width / 2, size.height / 2);
    sleep_s(0.2);
    EXPECT_TRUE(cursor_is_invisible(server.display)) << "the cursor shows over the intro";

    press_key(server.display, XK_Escape);
    ASSERT_TRUE(wait_intro_exit(&intro, 10)) << "the intro did not end within 10 s of Escape";
    EXPECT_EQ(intro.term_signal, 0);
    EXPECT_EQ(intro.exit_code, 0);
    EXPECT_TRUE(lines_of(intro_stderr(&intro)).empty()) << intro_stderr(&intro);
}

// A user's own choice of the layer's scaling method wins over the intro's: linear filtering
// fills the height at 4.5 times, with shades between the picture's colours.
TEST_F(LargeScreenTest, LinearScalingChosenByTheUserFillsTheHeightSmoothly) {
    intro_env linear;
    linear.set = {"SDL12COMPAT_SCALE_METHOD=linear"};
    ASSERT_NO_FATAL_FAILURE(start({1920, 1080}, linear));
    rgb_image shot;
    const double deadline = now_s() + 10;
    int left = -1, right = -1;
    do {
        shot = grab_screen_rgb(server.display);
        ASSERT_EQ(shot.width, 1920);
        // The background's top row is nowhere black, so the picture's first and last
        // columns show there.
        left = right = -1;
        for (int x = 0; x < shot.width; ++x)
            if (shot.at(x, 0) != 0) {
                if (left < 0)
                    left = x;
                right = x;
            }
        if (left == 240 && right == 1679)
            break;
        sleep_s(0.05);
    } while (now_s() < deadline);
    EXPECT_EQ(left, 240);
    EXPECT_EQ(right, 1679);
    EXPECT_NE(shot.at(960, 1079), 0u) << "the picture does not reach the bottom row";
    shades seen;
    bool blurred = false;
    for (int y = 0; y < 400 && !blurred; ++y)
        for (int x = 240; x < 1680 && !blurred; ++x)
            blurred = !seen.one_per_level(shot.at(x, y));
    EXPECT_TRUE(blurred) << "linear scaling showed only one shade per 5-6-5 level";
    press_key(server.display, XK_Escape);
    ASSERT_TRUE(wait_intro_exit(&intro, 10));
    EXPECT_EQ(intro.exit_code, 0);
}

INSTANTIATE_TEST_SUITE_P(Screens, LargeScreenTest,
                         ::testing::Values(screen_size{1920, 1080}, screen_size{1280, 720}),
                         [](const ::testing::TestParamInfo<screen_size> &info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

} // namespace
