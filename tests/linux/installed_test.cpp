// The installed Linux release, run as a viewer runs it: `wavelength` found on PATH and
// started from an unrelated folder, on a 1920x1080 Xvfb with openbox. Its screens, shrunk
// from the 4x enlargement, must be frames intro-capture renders from the installed media;
// its sound must not be silent, and Escape must end it with exit code 0.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../e2e/harness.h"

namespace {

using namespace e2e;

// The installed media folder, beside the launcher on PATH: PREFIX/share/wavelength.
const std::string media_folder = std::string(INSTALLED_PREFIX) + "/share/wavelength";

TEST(Installed, RunFromAnUnrelatedFolderShowsCapturedFramesPlaysAndEndsOnEscape) {
    int w = 0, h = 0;
    const std::vector<std::uint16_t> background =
        bmp_as_565(media_folder + "/res/back.dat", &w, &h);
    ASSERT_EQ(background.size(), static_cast<size_t>(width * height)) << media_folder;

    x_server server;
    std::string error;
    ASSERT_TRUE(start_x_server(&server, &error, "1920x1080x24")) << error;
    ASSERT_TRUE(start_window_manager(&server, &error)) << error;
    temp_folder folder; // no res/ here: the launcher must find the installed media
    ASSERT_TRUE(make_temp_folder(&folder));
    intro_process intro;
    ASSERT_TRUE(start_program(&intro, {"/bin/sh", "-c", "exec wavelength"}, folder.path, &server));
    ASSERT_NE(wait_for_intro_window(server.display, 20), 0u) << intro_stderr(&intro);
    const double started = now_s();

    // At 1920x1080 the display is enlarged 4 times, at (320, 60). One screen with the
    // scroller over the background, one once the first slide shows (frame 275 on).
    const placement p = whole_number_placement(1920, 1080);
    ASSERT_EQ(p.scale, 4);
    std::vector<std::vector<std::uint16_t>> shots;
    std::string wrong;
    // On a busy machine the enlarged frames come slowly: frame 275 may take half a minute.
    for (const display_test wanted : {shows_text, shows_text_and_slide}) {
        shots.push_back(wait_for_display(server.display, &intro, p, background, 90, folder.path,
                                         &wrong, wanted));
        ASSERT_FALSE(shots.back().empty())
            << "the scroller or the first slide never showed: " << wrong;
    }
    const int last_possible = last_possible_frame(started);

    press_key(server.display, XK_Escape);
    ASSERT_TRUE(wait_intro_exit(&intro, 10)) << "still running 10 s after Escape";
    EXPECT_EQ(intro.term_signal, 0);
    EXPECT_EQ(intro.exit_code, 0);
    EXPECT_EQ(intro_stderr(&intro), "") << "it found no media?";

    // The disk driver writes what the device would play: at least 5 s at the intro's rate
    // (the layer below may run the device faster).
    long samples = 0;
    const int peak = peak_amplitude(intro.audio_path, &samples);
    std::printf("[ measured ] %ld samples of sound in %.1f s, peak %d\n", samples,
                now_s() - started, peak);
    EXPECT_GT(samples, 5L * audio_rate * audio_channels);
    EXPECT_GT(peak, 1000) << "silent";

    // The same frames rendered offline from the installed media.
    std::string faults;
    const std::vector<int> matched = match_captured_frames(CAPTURE_EXE, media_folder, last_possible,
                                                           shots, folder.path, &faults);
    EXPECT_EQ(faults, "");
    std::printf("[ measured ] grabbed screens are frames %d and %d of at most %d\n", matched[0],
                matched[1], last_possible);
    EXPECT_GT(matched[1], 275);
}

} // namespace
