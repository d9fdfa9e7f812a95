// The Linux tarball, unpacked, as viewers of other distributions start it: its launcher
// through a link, on a machine whose first libSDL-1.2 is the classic SDL 1.2, and in an
// install that lost its media folder; and its intro on the classic SDL 1.2 without the
// launcher, where it must say what the viewer gets.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../e2e/harness.h"

namespace {

using namespace e2e;

const std::string tree = LINUX_TREE; // the unpacked wavelength-linux-x86_64/
const std::string intro_file = tree + "/lib/wavelength/intro";

// A folder holding only Debian's classic libSDL-1.2.so.0 (1.2.15), put first as a
// distribution would have it.
intro_env on_classic_sdl() {
    intro_env env;
    env.set = {std::string("LD_LIBRARY_PATH=") + CLASSIC_SDL_DIR};
    return env;
}

std::string real_path(const std::string &path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : "";
}

std::vector<std::uint16_t> tarball_background() {
    int w = 0, h = 0;
    return bmp_as_565(tree + "/share/wavelength/res/back.dat", &w, &h);
}

class Tarball : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(make_temp_folder(&folder)); }

    // Starts an X server with `screen` (and openbox, when `managed`), then ARGV in the
    // folder on it, and waits for its window.
    void start(const std::vector<std::string> &argv, const char *screen, bool managed = false,
               const intro_env &env = {}) {
        stop_x_server(&server);
        std::string error;
        ASSERT_TRUE(start_x_server(&server, &error, screen)) << error;
        ASSERT_TRUE(!managed || start_window_manager(&server, &error)) << error;
        ASSERT_TRUE(start_program(&intro, argv, folder.path, &server, env));
        ASSERT_NE(wait_for_intro_window(server.display, 20), 0u) << intro_stderr(&intro);
    }

    // Escape must end it with exit code 0; what it said.
    std::string end_with_escape() {
        press_key(server.display, XK_Escape);
        EXPECT_TRUE(wait_intro_exit(&intro, 10));
        EXPECT_EQ(intro.exit_code, 0);
        return intro_stderr(&intro);
    }

    x_server server;
    temp_folder folder;
    intro_process intro;
};
using Launcher = Tarball;

// Started by its launcher where the classic SDL 1.2 comes first, the intro runs on the layer
// the tarball brings and fills a 1920x1080 screen 4 times enlarged, saying nothing.
TEST_F(Tarball, OnAMachineWithTheClassicSdlItStillFillsTheScreen) {
    const std::vector<std::uint16_t> background = tarball_background();
    ASSERT_EQ(background.size(), static_cast<size_t>(width * height));
    ASSERT_NO_FATAL_FAILURE(
        start({tree + "/bin/wavelength"}, "1920x1080x24", true, on_classic_sdl()));
    const placement p = whole_number_placement(1920, 1080);
    ASSERT_EQ(p.scale, 4);
    std::string wrong;
    EXPECT_FALSE(
        wait_for_display(server.display, &intro, p, background, 20, folder.path, &wrong).empty())
        << "not 4x at (320, 60): " << wrong;
    EXPECT_EQ(end_with_escape(), "");
}

// The tarball's intro started without its launcher, on the classic SDL 1.2: on a screen
// larger than the display one line says that it stays small and what to install; on a
// 320x240 screen, which it fills anyway, nothing is said.
TEST_F(Tarball, TheIntroOnTheClassicSdlSaysWhenTheDisplayStaysSmall) {
    ASSERT_EQ(symlink((tree + "/share/wavelength/res").c_str(), (folder.path + "/res").c_str()), 0);
    for (const char *screen : {"1920x1080x24", "320x240x16"}) {
        SCOPED_TRACE(screen);
        ASSERT_NO_FATAL_FAILURE(start({intro_file}, screen, false, on_classic_sdl()));
        const std::vector<std::string> lines = lines_of(end_with_escape());
        if (std::string(screen) == "320x240x16") {
            EXPECT_TRUE(lines.empty()) << intro_stderr(&intro);
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << intro_stderr(&intro);
        for (const char *part : {"intro: SDL 1.2.15 ", "classic SDL 1.2", "1920x1080", "320x240",
                                 "install sdl12-compat"})
            EXPECT_NE(lines[0].find(part), std::string::npos) << part << " in: " << lines[0];
    }
}

// Started through a symbolic link to it from elsewhere, the launcher finds the intro and its
// media beside itself, and becomes the intro (exec): a signal sent to the process it started
// as ends the intro.
TEST_F(Launcher, ThroughALinkItFindsTheIntroAndItsMediaAndBecomesTheIntro) {
    const std::string link = folder.path + "/wavelength";
    ASSERT_EQ(symlink((tree + "/bin/wavelength").c_str(), link.c_str()), 0);
    ASSERT_NO_FATAL_FAILURE(start({link}, "320x240x16"));
    EXPECT_EQ(real_path("/proc/" + std::to_string(intro.pid) + "/exe"), real_path(intro_file))
        << "the process started as the launcher is not the intro";
    std::string wrong;
    EXPECT_FALSE(wait_for_display(server.display, &intro, {1, 0, 0}, tarball_background(), 10,
                                  folder.path, &wrong)
                     .empty())
        << "its media did not show: " << wrong;

    ASSERT_EQ(kill(intro.pid, SIGTERM), 0);
    ASSERT_TRUE(wait_intro_exit(&intro, 5)) << "SIGTERM to the launcher did not end the intro";
    EXPECT_EQ(intro.term_signal, SIGTERM);
    EXPECT_EQ(wait_for_window(server.display, 0.5), 0u) << "a window is still up";
    EXPECT_EQ(intro_stderr(&intro), "");
}

// An install without its media folder: the launcher says so in one line and exits non-zero.
TEST_F(Launcher, WithoutItsMediaFolderItSaysSoInOneLineAndFails) {
    const std::string copy = folder.path + "/install";
    ASSERT_EQ(std::system(("mkdir -p '" + copy + "/share' && cp -R '" + tree + "/bin' '" + tree +
                           "/lib' '" + copy + "/'")
                              .c_str()),
              0);
    intro_process launcher;
    ASSERT_TRUE(start_program(&launcher, {copy + "/bin/wavelength"}, folder.path, nullptr));
    ASSERT_TRUE(wait_intro_exit(&launcher, 10));
    EXPECT_NE(launcher.exit_code, 0);
    const std::vector<std::string> lines = lines_of(intro_stderr(&launcher));
    ASSERT_EQ(lines.size(), 1u) << intro_stderr(&launcher);
    EXPECT_NE(lines[0].find("no media folder at " + copy + "/bin/../share/wavelength"),
              std::string::npos)
        << lines[0];
}

} // namespace
