// The intro as a user meets it: its picture on a real X display, its keys, its sound.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "harness.h"

namespace {

using namespace e2e;

// The background rows that nothing else draws on: the slide panel starts at y = 110 and
// the scroller's band lies lower still.
constexpr int untouched_rows = 90;

class IntroTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(start(media::repository_if_present)); }

    void start(media source) {
        std::string error;
        ASSERT_TRUE(start_x_server(&server, &error)) << error;
        ASSERT_TRUE(make_temp_folder(&folder));
        ASSERT_TRUE(prepare_res(folder.path, source));
        ASSERT_NO_FATAL_FAILURE(change_media(folder.path + "/res/"));
        ASSERT_TRUE(start_intro(&intro, folder.path, &server, env));
        window = wait_for_intro_window(server.display, 10);
        ASSERT_NE(window, 0u) << "no window appeared; stderr:\n" << intro_stderr(&intro);
        int w = 0, h = 0;
        background = bmp_as_565(folder.path + "/res/back.dat", &w, &h);
        ASSERT_EQ(w, width);
        ASSERT_EQ(h, height);
    }

    virtual void change_media(const std::string &) {}

    // Waits until the top rows show the background; returns the last grab.
    std::vector<std::uint16_t> wait_for_background(double timeout_s) {
        const double deadline = now_s() + timeout_s;
        std::vector<std::uint16_t> shot;
        do {
            shot = grab_screen(server.display);
            if (count_mismatches(shot) == 0)
                break;
            sleep_s(0.02);
        } while (now_s() < deadline);
        return shot;
    }

    long count_mismatches(const std::vector<std::uint16_t> &shot) const {
        if (shot.size() != background.size())
            return -1;
        long mismatches = 0;
        for (size_t i = 0; i < static_cast<size_t>(untouched_rows * width); ++i)
            mismatches += shot[i] != background[i];
        return mismatches;
    }

    // Checks for a while that the intro keeps running.
    void expect_still_running(double seconds) {
        const double deadline = now_s() + seconds;
        while (now_s() < deadline) {
            ASSERT_TRUE(intro_running(&intro)) << "the intro ended (exit " << intro.exit_code
                                               << ", signal " << intro.term_signal << "); stderr:\n"
                                               << intro_stderr(&intro);
            sleep_s(0.02);
        }
    }

    // Shift+Escape must end it with exit code 0; the time from the key press to its end.
    double escape_to_exit() {
        const double pressed = now_s();
        press_key(server.display, XK_Escape, {XK_Shift_L});
        EXPECT_TRUE(wait_intro_exit(&intro, 10)) << "the intro did not end within 10 s of Escape";
        EXPECT_EQ(intro.term_signal, 0);
        EXPECT_EQ(intro.exit_code, 0);
        return now_s() - pressed;
    }

    intro_env env; // what the intro starts with
    x_server server;
    temp_folder folder;
    intro_process intro;
    Window window = 0;
    std::vector<std::uint16_t> background;
};

TEST_F(IntroTest, ShowsTheBackgroundPixelForPixelAboveTheSlidePanel) {
    const std::vector<std::uint16_t> shot = wait_for_background(5);
    ASSERT_EQ(shot.size(), static_cast<size_t>(width * height)) << "the X visual is not 5-6-5";
    const long mismatches = count_mismatches(shot);
    if (mismatches != 0) {
        const std::string picture = folder.path + "-screen.ppm";
        if (write_ppm(picture, shot))
            ADD_FAILURE() << "the screen as grabbed: " << picture;
        for (size_t i = 0; i < static_cast<size_t>(untouched_rows * width); ++i)
            if (shot[i] != background[i]) {
                ADD_FAILURE() << "first difference at (" << i % width << ", " << i / width
                              << "): screen " << std::hex << shot[i] << ", back.dat "
                              << background[i];
                break;
            }
    }
    EXPECT_EQ(mismatches, 0) << "of " << untouched_rows * width << " pixels";
    EXPECT_TRUE(intro_running(&intro));
}

TEST_F(IntroTest, ShiftEscapeEndsWithExitCodeZeroWithinAFrameOrTwo) {
    ASSERT_EQ(count_mismatches(wait_for_background(5)), 0);
    const double seconds = escape_to_exit();
    std::printf("[ measured ] Shift+Escape to process exit: %.0f ms\n", seconds * 1000);
    // A frame is at most 40 ms plus its drawing; shutting down SDL takes more than that
    // (on a display without a window manager SDL waits 100 ms for one to answer as it
    // leaves full screen), and under the sanitizers the leak check at exit dominates.
    EXPECT_LT(seconds, sanitized_build() ? 3.0 : 1.0);
    EXPECT_EQ(intro_stderr(&intro), "");
}

TEST_F(IntroTest, OtherKeysAndCloseRequestsAreIgnored) {
    ASSERT_EQ(count_mismatches(wait_for_background(5)), 0);
    for (unsigned long key : {XK_a, XK_space, XK_Return, XK_q, XK_F4})
        press_key(server.display, key);
    press_key(server.display, XK_q, {XK_Control_L});
    press_key(server.display, XK_F4, {XK_Alt_L});
    ASSERT_NO_FATAL_FAILURE(expect_still_running(0.4));
    send_close_request(server.display, window);
    ASSERT_NO_FATAL_FAILURE(expect_still_running(0.4));
    // Still drawing after all that.
    EXPECT_EQ(count_mismatches(grab_screen(server.display)), 0);
    escape_to_exit();
}

// Only Escape going down ends the intro: Escape coming up without it (the key went down
// as another key, and the layout changed while it was held) is ignored.
TEST_F(IntroTest, ReleasingEscapeAloneDoesNotEndIt) {
    ASSERT_EQ(count_mismatches(wait_for_background(5)), 0);
    press_and_release_as(server.display, XK_a, XK_Escape);
    ASSERT_NO_FATAL_FAILURE(expect_still_running(0.5));
    EXPECT_EQ(count_mismatches(grab_screen(server.display)), 0);
    escape_to_exit();
}

// Ctrl-C in the terminal that started it (SIGINT) and kill (SIGTERM) end it at once, by
// the signal itself: SDL's own handlers, which would turn either into a quit event that the
// intro ignores, are kept out.
TEST_F(IntroTest, InterruptAndTerminateEndItAtOnce) {
    intro_process second; // the fixture's intro gets SIGINT, a second one SIGTERM
    for (const int signal : {SIGINT, SIGTERM}) {
        intro_process *p = signal == SIGINT ? &intro : &second;
        if (p == &second) {
            ASSERT_TRUE(start_intro(p, folder.path, &server, env));
            ASSERT_NE(wait_for_intro_window(server.display, 10), 0u) << intro_stderr(p);
        }
        ASSERT_EQ(count_mismatches(wait_for_background(5)), 0) << strsignal(signal);
        const double sent = now_s();
        ASSERT_EQ(kill(p->pid, signal), 0);
        ASSERT_TRUE(wait_intro_exit(p, 5)) << strsignal(signal) << " did not end it";
        std::printf("[ measured ] %s to the intro's end: %.0f ms\n", strsignal(signal),
                    (now_s() - sent) * 1000);
        EXPECT_LT(now_s() - sent, 1.0);
        EXPECT_EQ(p->term_signal, signal) << "exit " << p->exit_code;
    }
}

// The window's title, which window lists and the taskbar show: "WAVELENGTH" in both the
// old and the UTF-8 property.
TEST_F(IntroTest, TheWindowIsTitledWavelength) {
    char *name = nullptr;
    ASSERT_NE(XFetchName(server.display, window, &name), 0) << "no WM_NAME";
    EXPECT_STREQ(name, "WAVELENGTH");
    XFree(name);
    EXPECT_EQ(
        window_title(server.display, window, XInternAtom(server.display, "UTF8_STRING", False)),
        "WAVELENGTH");
}

TEST_F(IntroTest, PlaysSoundThatIsNotSilent) {
    ASSERT_EQ(count_mismatches(wait_for_background(5)), 0);
    sleep_s(1.0);
    escape_to_exit();
    long samples = 0;
    const int peak = peak_amplitude(intro.audio_path, &samples);
    ASSERT_GE(peak, 0) << "no sound recorded at " << intro.audio_path;
    std::printf("[ measured ] %ld samples recorded, peak %d\n", samples, peak);
    // About a second of stereo; allow for a slow start.
    EXPECT_GT(samples, audio_rate);
    EXPECT_GT(peak, 1000) << "the recorded sound is (nearly) silent";
}

// A background whose fourth byte is a partial alpha channel shows as the same picture in
// 24 bits: not blended over black, nor over the previous frame.
class AlphaBackgroundTest : public IntroTest {
  protected:
    void change_media(const std::string &res) override {
        ASSERT_TRUE(rewrite_as_32_bits(res + "back.dat", [](int x, int y) {
            return static_cast<unsigned char>(x * 3 + y * 7);
        }));
    }
};

TEST_F(AlphaBackgroundTest, ShowsAsTheSamePictureIn24Bits) {
    for (int grab = 0; grab < 3; ++grab) {
        const std::vector<std::uint16_t> shot = wait_for_background(3);
        ASSERT_EQ(count_mismatches(shot), 0) << "in grab " << grab << " of 3";
        sleep_s(0.1);
    }
    escape_to_exit();
    EXPECT_EQ(intro_stderr(&intro), "");
}

// The intro's music loops: a short song (8 rows, about a second as the mixer plays it)
// whose note sounds in its first half and is silenced in its second, heard through SDL's
// disk audio driver for some of its lengths, comes back after each silence instead of
// ending after one pass.
class LoopingMusicTest : public IntroTest {
  protected:
    void change_media(const std::string &res) override {
        ASSERT_TRUE(write_short_song_xm(res + "theme.xm", 8, 3, 4));
    }
};

TEST_F(LoopingMusicTest, TheSongStartsAgainAfterItsEnd) {
    sleep_s(2.0);
    escape_to_exit();
    // 20 ms blocks; a burst is a run of blocks with sound in them.
    const std::vector<int> peaks = block_peaks(intro.audio_path, audio_channels * audio_rate / 50);
    std::string shape;
    int bursts = 0;
    for (size_t i = 0; i < peaks.size(); ++i) {
        const bool sound = peaks[i] > 1000;
        bursts += sound && (i == 0 || peaks[i - 1] <= 1000);
        shape += sound ? '#' : '.';
    }
    std::printf("[ measured ] %zu blocks of 20 ms recorded, %d bursts of sound\n", peaks.size(),
                bursts);
    EXPECT_GE(bursts, 3) << "sound (#) and silence (.) by 20 ms: " << shape;
}

// Escape halts the music at once: the last frame is still drawn, shown for 40 ms and the
// intro shut down after it, all of that in silence. The disk audio driver is told to mix
// without waiting (2 ms a buffer instead of the 46 it plays for), so those 40 ms hold many
// buffers, and the tune is the fixture's one unbroken tone, which leaves no silence of its
// own.
class EscapeHaltsTheMusicTest : public IntroTest {
  protected:
    void SetUp() override {
        env.set = {"SDL_DISKAUDIODELAY=2"};
        IntroTest::SetUp();
    }
    void change_media(const std::string &res) override {
        ASSERT_TRUE(write_fixture_xm(res + "theme.xm"));
    }
};

TEST_F(EscapeHaltsTheMusicTest, TheLastFrameIsSilent) {
    sleep_s(0.5);
    escape_to_exit();
    // 20 ms blocks of sound as played: the tone up to the Escape, silence from there on.
    const std::vector<int> peaks = block_peaks(intro.audio_path, audio_channels * audio_rate / 50);
    size_t silent = 0;
    while (silent < peaks.size() && peaks[peaks.size() - 1 - silent] <= 1000)
        ++silent;
    std::printf("[ measured ] %zu blocks of 20 ms recorded, the last %zu silent\n", peaks.size(),
                silent);
    ASSERT_GT(peaks.size(), silent + 10) << "the tone did not play before the Escape";
    // Left playing, the tone would sound until the music is freed and the device closed, a
    // moment later; at most one buffer (46 ms, 2.3 blocks) could be mixed in between.
    EXPECT_GE(silent, 8u) << "the music did not stop when Escape was pressed";
    // Nothing said, in the sanitizer build not even by the leak check: the music was freed.
    EXPECT_EQ(intro_stderr(&intro), "");
}

// The harness's own fixture media work as well as the repository's, so the tests above
// still mean something where res/ changes.
class FixtureMediaTest : public IntroTest {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(start(media::fixture)); }
};

TEST_F(FixtureMediaTest, ShowsTheFixtureBackgroundAndPlaysTheFixtureTune) {
    ASSERT_EQ(count_mismatches(wait_for_background(5)), 0);
    sleep_s(0.5);
    escape_to_exit();
    EXPECT_EQ(intro_stderr(&intro), "");
    long samples = 0;
    EXPECT_GT(peak_amplitude(intro.audio_path, &samples), 1000);
}

} // namespace
