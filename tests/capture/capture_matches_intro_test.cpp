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

// The intro is drawing (the rows above the slide panel and the scroller show the background)
// and the scroller has put text on screen.
bool is_intro_with_text(const std::vector<std::uint16_t> &shot,
                        const std::vector<std::uint16_t> &background) {
    return shows_background_top(shot, background) && differences(shot, background) > 200;
}

// Which of intro-capture's frames 1 to `last` of the media in FOLDER/res each screen is,
// pixel for pixel (0 for none, with a failure and the screen written beside the folder).
std::vector<int> captured_frames(const std::string &folder,
                                 const std::vector<std::vector<std::uint16_t>> &shots, int last) {
    std::vector<int> matched(shots.size(), 0);
    const std::string command = "cd '" + folder + "' && '" + CAPTURE_EXE + "' --frames 1-" +
                                std::to_string(last) + " --out frames";
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << command;
        return matched;
    }
    std::vector<long> closest(shots.size(), -1);
    for (int frame = 1; frame <= last; ++frame) {
        char name[64];
        std::snprintf(name, sizeof name, "/frames/frame%06d.bmp", frame);
        int w = 0, h = 0;
        const std::vector<std::uint16_t> captured = bmp_as_565(folder + name, &w, &h);
        if (captured.size() != static_cast<size_t>(width * height)) {
            ADD_FAILURE() << name << " is not a 320x240 picture";
            return matched;
        }
        for (size_t s = 0; s < shots.size(); ++s) {
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
    for (size_t s = 0; s < shots.size(); ++s) {
        if (!matched[s])
            write_ppm(folder + "/../capture-e2e-screen" + std::to_string(s) + ".ppm", shots[s]);
        EXPECT_NE(matched[s], 0) << "screen " << s << " is none of frames 1 to " << last
                                 << "; the closest differs in " << closest[s] << " pixels";
    }
    return matched;
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

    const std::vector<int> matched = captured_frames(folder.path, shots, last_possible);
    std::printf("[ measured ] grabbed screens are frames %d and %d\n", matched[0], matched[1]);
    EXPECT_LT(matched[0], matched[1]);

    // The first slide rises from alpha 1 in frame 275 by one a frame.
    ASSERT_EQ(matched.size(), 2u);
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
TEST(CaptureMatchesIntro, TheFadeIsAnEightBitBlendWithNoJumpAtThePeak) {
    temp_folder folder;
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
            for (int y = 110; y < 110 + slide_h; ++y)
                for (int x = 10; x < 121; ++x)
                    panel[frame - 528].push_back(shot[y * width + x]);
    }
    EXPECT_TRUE(panel[1] == panel[0]) << "the opaque peak differs from alpha 254 before it";
    EXPECT_TRUE(panel[1] == panel[2]) << "the opaque peak differs from alpha 254 after it";
}

// Without res/back.dat each frame starts from black: the screens grabbed as the scroller
// crosses the display are intro-capture's frames of the same media over a black background
// picture, not the scroller's trail piled up frame after frame.
TEST(CaptureMatchesIntro, WithoutABackgroundTheScreensAreFramesOnBlack) {
    x_server server;
    std::string error;
    ASSERT_TRUE(start_x_server(&server, &error)) << error;
    temp_folder folder;
    ASSERT_TRUE(make_temp_folder(&folder));
    ASSERT_TRUE(prepare_res(folder.path));
    const std::string back = folder.path + "/res/back.dat";
    ASSERT_EQ(std::remove(back.c_str()), 0);

    intro_process intro;
    const double started = now_s();
    ASSERT_TRUE(start_intro(&intro, folder.path, &server));
    ASSERT_NE(wait_for_intro_window(server.display, 10), 0u) << intro_stderr(&intro);
    // Three screens half a second or more apart, once the scroller shows text.
    const std::vector<std::uint16_t> black(width * height, 0);
    std::vector<std::vector<std::uint16_t>> shots;
    double next = 0;
    for (const double deadline = now_s() + 40; shots.size() < 3 && now_s() < deadline;) {
        std::vector<std::uint16_t> shot = grab_screen(server.display);
        ASSERT_EQ(shot.size(), static_cast<size_t>(width * height)) << "the X visual is not 5-6-5";
        if (now_s() >= next && differences(shot, black) > 200) {
            shots.push_back(shot);
            next = now_s() + 0.5;
        }
        sleep_s(0.1);
    }
    const int last_possible = static_cast<int>((now_s() - started) / 0.040) + 2;
    press_key(server.display, XK_Escape);
    EXPECT_TRUE(wait_intro_exit(&intro, 10));
    ASSERT_EQ(shots.size(), 3u) << "the scroller never showed; stderr:\n" << intro_stderr(&intro);

    SDL_Surface *picture = surface24(width, height, 0x000000);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(SDL_SaveBMP(picture, back.c_str()), 0);
    SDL_FreeSurface(picture);
    const std::vector<int> matched = captured_frames(folder.path, shots, last_possible);
    std::printf("[ measured ] grabbed screens are frames %d, %d and %d\n", matched[0], matched[1],
                matched[2]);
}

} // namespace
