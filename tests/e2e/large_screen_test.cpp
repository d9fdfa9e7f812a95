// The intro on today's screens: a 24-bit Xvfb of 1920x1080 (and 1280x720) with the openbox
// window manager. The 320x240 display is enlarged by a whole number into the middle of the
// screen, as sharp blocks of the picture's own 5-6-5 colours; the cursor is hidden over it,
// and Escape still ends it with exit code 0.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>

#include "harness.h"

namespace {

using namespace e2e;

// The background rows that nothing else draws on (as in the 320x240 tests).
constexpr int untouched_rows = 90;

struct screen_size {
    int width, height;
};

// Where the enlarged display lies: the largest whole-number enlargement that fits, centred.
struct placement {
    int scale, x, y;
};

placement place(const screen_size &s) {
    const int scale = std::min(s.width / width, s.height / height);
    return {scale, (s.width - scale * width) / 2, (s.height - scale * height) / 2};
}

std::uint16_t narrow_to_565(std::uint32_t v) {
    return rgb565(v >> 16, v >> 8 & 0xFF, v & 0xFF);
}

// The presenter widens each 5-6-5 level to 8 bits its own way, but always the same way: on
// a sharp screen every level of a channel shows as one shade. Blending neighbours (linear
// filtering) makes shades in between, several to a level.
struct shades {
    int red[32], green[64], blue[32];
    shades() {
        std::fill(std::begin(red), std::end(red), -1);
        std::fill(std::begin(green), std::end(green), -1);
        std::fill(std::begin(blue), std::end(blue), -1);
    }
    static bool same(int *seen, int v) {
        if (*seen < 0)
            *seen = v;
        return *seen == v;
    }
    bool one_per_level(std::uint32_t v) {
        const int r = static_cast<int>(v >> 16), g = static_cast<int>(v >> 8 & 0xFF),
                  b = static_cast<int>(v & 0xFF);
        return same(&red[r >> 3], r) & same(&green[g >> 2], g) & same(&blue[b >> 3], b);
    }
};

// Everything wrong with one grab, as text; empty when it shows the display as it should.
std::string faults(const rgb_image &shot, const placement &p,
                   const std::vector<std::uint16_t> &background) {
    std::ostringstream out;
    shades seen;
    int reported = 0;
    auto fault = [&](int x, int y, const char *what) {
        if (reported++ < 5)
            out << "at (" << x << ", " << y << ") colour " << std::hex << shot.at(x, y) << std::dec
                << ": " << what << "\n";
    };
    const int right = p.x + p.scale * width, bottom = p.y + p.scale * height;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const bool inside = x >= p.x && x < right && y >= p.y && y < bottom;
            if (!inside) {
                if (shot.at(x, y) != 0)
                    fault(x, y, "the border around the picture is not black");
                continue;
            }
            const int sx = (x - p.x) / p.scale, sy = (y - p.y) / p.scale;
            const std::uint32_t corner = shot.at(p.x + sx * p.scale, p.y + sy * p.scale);
            if (shot.at(x, y) != corner)
                fault(x, y, "not the colour of the rest of its block");
            else if (!seen.one_per_level(shot.at(x, y)))
                fault(x, y, "a second shade of a 5-6-5 level (blurred?)");
            else if (sy < untouched_rows && narrow_to_565(shot.at(x, y)) !=
                                                background[static_cast<size_t>(sy * width + sx)])
                fault(x, y, "not the background's pixel");
        }
    if (reported > 5)
        out << "... " << reported << " faults in all\n";
    return out.str();
}

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

    // A grab may catch a frame half presented, so a few are allowed before one must be right.
    const placement p = place(size);
    rgb_image shot;
    std::string wrong;
    const double deadline = now_s() + 10;
    do {
        shot = grab_screen_rgb(server.display);
        ASSERT_EQ(shot.width, size.width);
        ASSERT_EQ(shot.height, size.height);
        wrong = faults(shot, p, background);
        if (wrong.empty())
            break;
        sleep_s(0.05);
    } while (now_s() < deadline);
    if (!wrong.empty()) {
        const std::string picture = folder.path + "-screen.ppm";
        if (write_ppm(picture, shot))
            ADD_FAILURE() << "the screen as grabbed: " << picture;
    }
    EXPECT_EQ(wrong, "") << "expected " << p.scale << "x enlargement at (" << p.x << ", " << p.y
                         << ")";

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
