// intro-capture against the intro itself: screens grabbed from the intro running on a
// private Xvfb must each be, pixel for pixel, one of the frames intro-capture writes, and
// in the right order. The scroller moves 3 pixels a frame, so once it shows text every
// frame is unlike every other and the match names the frame.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace e2e;

// The intro is drawing (the rows above the slide panel and the scroller show the background)
// and the scroller has put text on screen.
bool is_intro_with_text(const std::vector<std::uint16_t> &shot,
                        const std::vector<std::uint16_t> &background) {
    return shows_background_top(shot, background) && differences(shot, background) > 200;
}

TEST(CaptureMatchesIntro, GrabbedScreensAreCapturedFramesInOrder) {
    x_server server;
    std::string error;
    ASSERT_TRUE(start_x_server(&server, &error)) << error;
    temp_folder folder;
    ASSERT_TRUE(make_temp_folder(&folder));
    ASSERT_TRUE(prepare_res(folder.path));
    int w = 0, h = 0;
    const std::vector<std::uint16_t> background = bmp_as_565(folder.path + "/res/back.dat", &w, &h);
    ASSERT_EQ(background.size(), static_cast<size_t>(width * height));

    intro_process intro;
    const double started = now_s();
    ASSERT_TRUE(start_intro(&intro, folder.path, &server));
    ASSERT_NE(wait_for_intro_window(server.display, 10), 0u) << intro_stderr(&intro);

    // One screen once the scroller has left the background's band (until then, as the
    // message starts with spaces, many frames look alike), and one once the first slide has
    // faded in far enough to show, so the slide's blending is compared too.
    std::vector<std::vector<std::uint16_t>> shots;
    const double deadline = now_s() + 40;
    while (shots.size() < 2 && now_s() < deadline) {
        std::vector<std::uint16_t> shot = grab_screen(server.display);
        ASSERT_EQ(shot.size(), static_cast<size_t>(width * height)) << "the X visual is not 5-6-5";
        if (is_intro_with_text(shot, background) &&
            (shots.empty() || shows_slide(shot, background)))
            shots.push_back(shot);
        else
            sleep_s(0.1);
    }
    // Every frame lasts at least 40 ms, so the intro cannot be further than this.
    const int last_possible = static_cast<int>((now_s() - started) / 0.040) + 2;
    press_key(server.display, XK_Escape);
    EXPECT_TRUE(wait_intro_exit(&intro, 10));
    ASSERT_EQ(shots.size(), 2u) << "the scroller or the first slide never showed; stderr:\n"
                                << intro_stderr(&intro);

    const std::string command = "cd '" + folder.path + "' && '" + CAPTURE_EXE + "' --frames 1-" +
                                std::to_string(last_possible) + " --out frames";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    int matched[2] = {0, 0};
    long closest[2] = {-1, -1};
    for (int frame = 1; frame <= last_possible; ++frame) {
        char name[64];
        std::snprintf(name, sizeof name, "/frames/frame%06d.bmp", frame);
        const std::vector<std::uint16_t> captured = bmp_as_565(folder.path + name, &w, &h);
        ASSERT_EQ(captured.size(), static_cast<size_t>(width * height)) << name;
        for (int s = 0; s < 2; ++s) {
            const long d = differences(shots[s], captured);
            if (closest[s] < 0 || d < closest[s])
                closest[s] = d;
            if (d == 0) {
                EXPECT_EQ(matched[s], 0)
                    << "screen " << s << " matches frames " << matched[s] << " and " << frame;
                matched[s] = frame;
            }
        }
    }
    for (int s = 0; s < 2; ++s) {
        if (!matched[s])
            write_ppm(folder.path + "/../capture-e2e-screen" + std::to_string(s) + ".ppm",
                      shots[s]);
        EXPECT_NE(matched[s], 0) << "screen " << s << " is none of frames 1 to " << last_possible
                                 << "; the closest differs in " << closest[s] << " pixels";
    }
    std::printf("[ measured ] grabbed screens are frames %d and %d\n", matched[0], matched[1]);
    EXPECT_LT(matched[0], matched[1]);
}

} // namespace
