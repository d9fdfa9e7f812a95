// The installed Linux release, run as a viewer runs it: `wavelength` found on PATH and
// started from an unrelated folder, on a 1920x1080 Xvfb with openbox. Its screens, shrunk
// from the 4x enlargement, must be frames intro-capture renders from the installed media;
// its sound must not be silent, and Escape must end it with exit code 0.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../e2e/harness.h"

namespace {

using namespace e2e;

// The installed media folder, beside the launcher on PATH: PREFIX/share/wavelength.
const std::string media_folder = std::string(INSTALLED_PREFIX) + "/share/wavelength";

int run(const std::string &command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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
    rgb_image screen;
    // On a busy machine the enlarged frames come slowly: frame 275 may take half a minute.
    for (const double deadline = now_s() + 90; shots.size() < 2 && now_s() < deadline;) {
        screen = grab_screen_rgb(server.display);
        const std::vector<std::uint16_t> shot = shrink_screen(screen, p.scale, p.x, p.y);
        if (shows_background_top(shot, background) && differences(shot, background) > 200 &&
            (shots.empty() || shows_slide(shot, background)))
            shots.push_back(shot);
        else
            sleep_s(0.1);
    }
    const int last_possible = static_cast<int>((now_s() - started) / 0.040) + 2;
    if (shots.size() < 2)
        write_ppm(folder.path + "-screen.ppm", screen);
    ASSERT_EQ(shots.size(), 2u) << "the scroller or the first slide never showed (the last grab is "
                                << folder.path << "-screen.ppm); stderr:\n"
                                << intro_stderr(&intro);

    press_key(server.display, XK_Escape);
    ASSERT_TRUE(wait_intro_exit(&intro, 10)) << "still running 10 s after Escape";
    EXPECT_EQ(intro.term_signal, 0);
    EXPECT_EQ(intro.exit_code, 0);
    EXPECT_EQ(intro_stderr(&intro), "") << "it found no media?";

    // The disk driver writes what the device would play: at least 5 s at the intro's 22050
    // Hz in stereo (the layer below may run the device faster).
    long samples = 0;
    const int peak = peak_amplitude(intro.audio_path, &samples);
    std::printf("[ measured ] %ld samples of sound in %.1f s, peak %d\n", samples,
                now_s() - started, peak);
    EXPECT_GT(samples, 5L * 22050 * 2);
    EXPECT_GT(peak, 1000) << "silent";

    // The same frames rendered offline from the installed media.
    const std::string frames = folder.path + "/frames";
    ASSERT_EQ(run("cd '" + media_folder + "' && '" + CAPTURE_EXE + "' --frames 1-" +
                  std::to_string(last_possible) + " --out '" + frames + "' >/dev/null"),
              0);
    int matched[2] = {0, 0};
    for (int frame = 1; frame <= last_possible; ++frame) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame%06d.bmp", frame);
        const std::vector<std::uint16_t> captured = bmp_as_565(frames + name, &w, &h);
        ASSERT_EQ(captured.size(), static_cast<size_t>(width * height)) << name;
        for (int s = 0; s < 2; ++s)
            if (!matched[s] && differences(shots[s], captured) == 0)
                matched[s] = frame;
    }
    for (int s = 0; s < 2; ++s)
        if (!matched[s]) {
            write_ppm(folder.path + "-screen" + std::to_string(s) + ".ppm", shots[s]);
            ADD_FAILURE() << "screen " << s << " is none of frames 1 to " << last_possible
                          << "; it is in " << folder.path << "-screen" << s << ".ppm";
        }
    std::printf("[ measured ] grabbed screens are frames %d and %d of at most %d\n", matched[0],
                matched[1], last_possible);
    EXPECT_GT(matched[1], 275);
}

} // namespace
