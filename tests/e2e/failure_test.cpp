// What the intro does when something it needs is missing: one line on stderr saying what,
// then it carries on without it, or, with nothing to show itself on, exits 1.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>

#include "harness.h"

namespace {

using namespace e2e;

std::string joined(const std::vector<std::string> &lines) {
    std::string all;
    for (const std::string &line : lines)
        all += "  " + line + "\n";
    return all;
}

void put_le(std::string *o, unsigned long v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        o->push_back(static_cast<char>(v >> 8 * i & 0xFF));
}

// The headers of a 24-bit BMP and a few bytes of pixels: with the 12-byte OS/2 core
// header (unsigned 16-bit width and height) or the usual 40-byte one.
std::string bmp_claiming(bool core, long w, long h) {
    std::string o = "BM";
    const unsigned long offset = 14 + (core ? 12 : 40);
    put_le(&o, offset + 64, 4);
    put_le(&o, 0, 4);
    put_le(&o, offset, 4);
    put_le(&o, core ? 12 : 40, 4);
    put_le(&o, static_cast<unsigned long>(w), core ? 2 : 4);
    put_le(&o, static_cast<unsigned long>(h), core ? 2 : 4);
    put_le(&o, 1, 2);
    put_le(&o, 24, 2);
    if (!core)
        o += std::string(24, '\0');
    return o + std::string(64, '\x55');
}

class FailureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(make_temp_folder(&folder));
        ASSERT_TRUE(prepare_res(folder.path));
    }

    void start_server() {
        std::string error;
        ASSERT_TRUE(start_x_server(&server, &error)) << error;
    }

    std::string res(const std::string &name) const { return folder.path + "/res/" + name; }

    // Starts the intro on the server and waits for its window and a few frames.
    void start_and_see_it_run(const intro_env &env = {}) {
        ASSERT_TRUE(start_intro(&intro, folder.path, &server, env));
        ASSERT_NE(wait_for_intro_window(server.display, 10), 0u) << intro_stderr(&intro);
        sleep_s(0.2); // a few frames
        ASSERT_TRUE(intro_running(&intro))
            << "exit " << intro.exit_code << ", signal " << intro.term_signal << "; stderr:\n"
            << intro_stderr(&intro);
    }

    // Escape ends it normally; returns what it said on stderr, line by line.
    std::vector<std::string> end_with_escape() {
        press_key(server.display, XK_Escape);
        EXPECT_TRUE(wait_intro_exit(&intro, 10)) << "Escape did not end the intro";
        EXPECT_EQ(intro.term_signal, 0);
        EXPECT_EQ(intro.exit_code, 0);
        return lines_of(intro_stderr(&intro));
    }

    // Ends it with Escape and checks what it said: a line for each fragment, in order, each
    // holding its fragment.
    void expect_said_on_escape(const std::vector<std::string> &fragments) {
        const std::vector<std::string> lines = end_with_escape();
        ASSERT_EQ(lines.size(), fragments.size()) << joined(lines);
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_NE(lines[i].find(fragments[i]), std::string::npos) << lines[i];
    }

    // Waits for the intro to end by itself, as it must with nothing to show itself on:
    // within `seconds` of `since`, with exit code 1, not killed by a signal nor with a
    // sanitizer's report, having said one line, which *said receives.
    void expect_exit_one_with_one_line(double since, double seconds, std::string *said) {
        ASSERT_TRUE(wait_intro_exit(&intro, 10)) << "still running without a display";
        std::printf("[ measured ] %.0f ms to the intro's exit\n", (now_s() - since) * 1000);
        EXPECT_LT(now_s() - since, seconds);
        EXPECT_EQ(intro.term_signal, 0) << "killed by a signal: " << intro_stderr(&intro);
        EXPECT_EQ(intro.exit_code, 1);
        const std::vector<std::string> lines = lines_of(intro_stderr(&intro));
        ASSERT_EQ(lines.size(), 1u) << joined(lines);
        *said = lines[0];
    }

    // Starts it on the server with `env`, sees it run, ends it with Escape and checks what it
    // said, as expect_said_on_escape does.
    void expect_runs_and_says(const std::vector<std::string> &fragments,
                              const intro_env &env = {}) {
        start_server();
        ASSERT_NO_FATAL_FAILURE(start_and_see_it_run(env));
        expect_said_on_escape(fragments);
    }

    // Runs it with res/theme.xm unfit to play: one line names the file, and it plays silence.
    void expect_silence_naming_the_music() {
        expect_runs_and_says({"res/theme.xm"});
        long samples = 0;
        EXPECT_EQ(peak_amplitude(intro.audio_path, &samples), 0) << "sound without music";
    }

    // Started without the descriptors `closed` (of 0, 1 and 2), and with something to say
    // once the display is open (no music): the message must not go into whatever took the
    // free descriptor, the X connection above all, and the intro runs on and ends with
    // Escape as usual, having said `fragments`.
    void expect_runs_without(const std::vector<int> &closed,
                             const std::vector<std::string> &fragments) {
        std::filesystem::remove(res("theme.xm"));
        intro_env env;
        env.closed = closed;
        expect_runs_and_says(fragments, env);
    }

    // Runs the intro where it can find no display: it must say so, naming `named`, and exit
    // 1, quickly.
    void expect_no_display(const intro_env &env, const std::string &named = "") {
        const double started = now_s();
        ASSERT_TRUE(start_intro(&intro, folder.path, server.display ? &server : nullptr, env));
        std::string line;
        ASSERT_NO_FATAL_FAILURE(expect_exit_one_with_one_line(started, 5.0, &line));
        EXPECT_NE(line.find("no display available"), std::string::npos) << line;
        EXPECT_NE(line.find(named), std::string::npos) << line;
    }

    // Asked for by name, an invisible driver is named: the display is there, only unseen.
    void expect_invisible_driver_named(intro_env env, const std::string &driver) {
        env.set.push_back("SDL_VIDEODRIVER=" + driver);
        expect_no_display(env, "SDL's \"" + driver + "\" video driver shows nothing");
    }

    // The X server goes away under the intro: it must say so in one line and exit 1 at once.
    void expect_display_lost(std::string *said) {
        const double stopped = now_s();
        stop_x_server(&server);
        ASSERT_NO_FATAL_FAILURE(expect_exit_one_with_one_line(stopped, 3.0, said));
    }

    // SDL's disk audio driver mixes the music as fast as it can, without waiting for the
    // time each buffer takes to play: the audio thread is busy all the time.
    static intro_env busy_audio() {
        intro_env env;
        env.set = {"SDL_DISKAUDIODELAY=0"};
        return env;
    }

    x_server server;
    temp_folder folder;
    intro_process intro;
};

TEST_F(FailureTest, MissingSlideIsNamedAndTheIntroRunsOn) {
    std::filesystem::remove(res("sl7.dat"));
    expect_runs_and_says({"res/sl7.dat"});
}

TEST_F(FailureTest, CorruptSlideIsNamedWithSdlsReason) {
    ASSERT_TRUE(write_file(res("sl3.dat"), "this is no picture"));
    start_server();
    start_and_see_it_run();
    const std::vector<std::string> lines = end_with_escape();
    ASSERT_EQ(lines.size(), 1u) << joined(lines);
    EXPECT_NE(lines[0].find("res/sl3.dat"), std::string::npos) << lines[0];
    // SDL's reason follows the name: more than the bare name and the intro's own words.
    EXPECT_GT(lines[0].size(), std::string("intro: cannot load res/sl3.dat: ").size() + 5)
        << lines[0];
}

// Files that are no regular file are never opened (a FIFO would block the start for
// ever); each is one line naming it and what it is, and a link to a picture still serves.
TEST_F(FailureTest, MediaThatAreNoRegularFilesAreRefusedWithoutBlocking) {
    for (const char *name : {"sl5.dat", "theme.xm"}) {
        std::filesystem::remove(res(name));
        ASSERT_EQ(mkfifo(res(name).c_str(), 0644), 0);
    }
    std::filesystem::remove(res("sl6.dat"));
    std::filesystem::create_directory(res("sl6.dat"));
    std::filesystem::remove(res("sl8.dat"));
    std::filesystem::create_symlink("/dev/zero", res("sl8.dat"));
    std::filesystem::remove(res("sl9.dat"));
    std::filesystem::create_symlink("sl0.dat", res("sl9.dat"));
    expect_runs_and_says({"res/sl5.dat: it is a FIFO (named pipe), not a regular file",
                          "res/sl6.dat: it is a folder, not a regular file",
                          "res/sl8.dat: it is a character device, not a regular file",
                          "res/theme.xm: it is a FIFO (named pipe), not a regular file"});
}

// A file the user may not read says so, for a picture and for the music alike. Run as
// the user nobody when the tests run as root, who could read it anyway.
TEST_F(FailureTest, UnreadableMediaSayPermissionDenied) {
    for (const char *name : {"sl3.dat", "theme.xm"})
        ASSERT_EQ(chmod(res(name).c_str(), 0), 0);
    intro_env env;
    env.as_nobody = true;
    expect_runs_and_says({"cannot read res/sl3.dat: permission denied",
                          "cannot read res/theme.xm: permission denied"},
                         env);
}

// Pictures far taller than the intro accepts are refused before the loader allocates for
// them; in the sanitizer build any allocation above 64 MiB would fail and show.
TEST_F(FailureTest, TallPicturesAreRefusedBeforeAnythingIsAllocated) {
    ASSERT_TRUE(write_file(res("back.dat"), bmp_claiming(true, 1024, 65535)));
    ASSERT_TRUE(write_file(res("sl7.dat"), bmp_claiming(false, 1, 100000)));
    intro_env env;
    env.largest_allocation_mib = 64;
    expect_runs_and_says(
        {"res/back.dat: refusing its size 1024x65535", "res/sl7.dat: refusing its size 1x100000"},
        env);
}

TEST_F(FailureTest, MissingBackgroundLeavesTheTopBlackAndNothingCrashes) {
    std::filesystem::remove(res("back.dat"));
    start_server();
    start_and_see_it_run();
    // Without a background each frame starts from black, and nothing draws the top rows.
    for (int grab = 0; grab < 3; ++grab) {
        const std::vector<std::uint16_t> shot = grab_screen(server.display);
        ASSERT_EQ(shot.size(), static_cast<size_t>(width * height));
        for (int i = 0; i < 90 * width; ++i)
            ASSERT_EQ(shot[static_cast<size_t>(i)], 0)
                << "at (" << i % width << ", " << i / width << ") in grab " << grab;
        sleep_s(0.15);
    }
    expect_said_on_escape({"res/back.dat"});
}

TEST_F(FailureTest, MissingResFolderIsOneLineAndTheIntroRunsSilently) {
    remove_tree(folder.path + "/res");
    expect_runs_and_says({"res/"});
}

// Under little address space (`ulimit -v`) the GL driver that SDL sets up fails inside its
// own code: at 256 MiB it crashes (SIGSEGV); at 224 MiB Mesa cannot load it, says so in its
// own lines, and the fallback ends in an X error (1920x1080, openbox). Either way the intro
// says in one line that memory ran out and while doing what, and exits 1; it never dies of
// the signal.
TEST_F(FailureTest, LittleAddressSpaceIsOneLineSayingMemoryRanOutAndExitOne) {
    if (sanitized_build())
        GTEST_SKIP() << "the sanitizers reserve far more address space than the limit";
    std::string error;
    ASSERT_TRUE(start_x_server(&server, &error, "1920x1080x24")) << error;
    ASSERT_TRUE(start_window_manager(&server, &error)) << error;
    for (const int mib : {256, 224}) {
        SCOPED_TRACE(std::to_string(mib) + " MiB");
        intro_process limited;
        intro_env env;
        env.address_space_mib = mib;
        ASSERT_TRUE(start_intro(&limited, folder.path, &server, env));
        ASSERT_TRUE(wait_intro_exit(&limited, 30)) << "it runs: the limit is no longer too low";
        EXPECT_EQ(limited.term_signal, 0) << "killed by a signal";
        EXPECT_EQ(limited.exit_code, 1);
        std::vector<std::string> lines;
        for (const std::string &line : lines_of(intro_stderr(&limited)))
            if (line.rfind("libGL error: ", 0) != 0) // Mesa's own
                lines.push_back(line);
        ASSERT_EQ(lines.size(), 1u) << intro_stderr(&limited);
        std::printf("[ measured ] at %d MiB: %s\n", mib, lines[0].c_str());
        EXPECT_EQ(lines[0].rfind("intro: out of memory while setting up the display (the "
                                 "address space is limited to " +
                                     std::to_string(mib) + " MiB)",
                                 0),
                  0u)
            << lines[0];
    }
}

TEST_F(FailureTest, NoAudioDeviceIsOneLineAndTheIntroRunsSilently) {
    intro_env env;
    env.set = {"SDL_AUDIODRIVER=no-such-device"};
    expect_runs_and_says({"audio device"}, env);
    EXPECT_FALSE(std::filesystem::exists(intro.audio_path));
}

TEST_F(FailureTest, NoSoundCardIsOneLineAndTheIntroRunsSilently) {
    intro_env env;
    // ALSA asked for a card that no machine has: the sound library complains on its own.
    env.set = {"SDL_AUDIODRIVER=alsa", "AUDIODEV=hw:99"};
    expect_runs_and_says({"audio device"}, env);
}

TEST_F(FailureTest, MissingMusicIsOneLineAndTheIntroRunsSilently) {
    std::filesystem::remove(res("theme.xm"));
    expect_silence_naming_the_music();
}

TEST_F(FailureTest, CorruptMusicIsOneLineAndTheIntroRunsSilently) {
    ASSERT_TRUE(write_file(res("theme.xm"), std::string(4000, '\x5a')));
    expect_silence_naming_the_music();
}

TEST_F(FailureTest, ClosedStderrWithAMessageToSayDoesNotHangIt) {
    expect_runs_without({2}, {});
}

TEST_F(FailureTest, ClosedStdoutWithAMessageToSayDoesNotHangIt) {
    expect_runs_without({1}, {"res/theme.xm"});
}

TEST_F(FailureTest, AllThreeStreamsClosedWithAMessageToSayDoesNotHangIt) {
    expect_runs_without({0, 1, 2}, {});
}

TEST_F(FailureTest, NoDisplayAtAllIsOneLineAndExitOne) {
    intro_env env;
    env.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
    // The kinds of display a Linux desktop offers, so the user knows what to start.
    expect_no_display(env, "no X11 or Wayland display found");
}

TEST_F(FailureTest, NoDisplayOutsideALoginSessionIsOneLineAndExitOne) {
    intro_env env;
    env.unset = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"};
    expect_no_display(env);
}

TEST_F(FailureTest, OffscreenDriverIsRefusedAsNoDisplay) {
    start_server(); // an X display exists, but the driver asked for draws nowhere visible
    expect_invisible_driver_named({}, "offscreen");
}

TEST_F(FailureTest, DummyDriverIsRefusedAsNoDisplay) {
    intro_env env;
    env.unset = {"DISPLAY"};
    expect_invisible_driver_named(env, "dummy");
}

// Linux's own: SDL's dummy driver reading the console's keyboard.
TEST_F(FailureTest, EvdevDriverIsRefusedAsNoDisplay) {
    intro_env env;
    env.unset = {"DISPLAY"};
    expect_invisible_driver_named(env, "evdev");
}

TEST_F(FailureTest, UnreachableX11DisplayIsNamedInOneLineAndExitOne) {
    intro_env env;
    // A display number no server answers on (the range tops out at 65535).
    env.set = {"DISPLAY=:65000"};
    expect_no_display(env, "cannot reach the X11 display \":65000\" (DISPLAY)");
}

// A Wayland session names its display in WAYLAND_DISPLAY alone: the intro must ask SDL for
// it rather than say there is none, and name it when nothing answers there.
TEST_F(FailureTest, UnreachableWaylandDisplayIsNamedInOneLineAndExitOne) {
    intro_env env;
    env.unset = {"DISPLAY"};
    env.set = {"WAYLAND_DISPLAY=wayland-e2e"};
    expect_no_display(env, "cannot reach the Wayland display \"wayland-e2e\" (WAYLAND_DISPLAY)");
}

// The X server ends while the intro starts: before it connects, while SDL sets up its
// window, or once it is there.
TEST_F(FailureTest, DisplayLostDuringStartUpIsOneLineAndExitOne) {
    for (const double after : {0.0, 0.05, 0.15, 0.3}) {
        SCOPED_TRACE(testing::Message() << "server stopped " << after << " s after the start");
        start_server();
        ASSERT_TRUE(start_intro(&intro, folder.path, &server, busy_audio()));
        sleep_s(after);
        std::string line;
        ASSERT_NO_FATAL_FAILURE(expect_display_lost(&line));
        EXPECT_TRUE(line.find("intro: lost the display: ") == 0 ||
                    line.find("cannot reach the X11 display") != std::string::npos)
            << line;
    }
}

TEST_F(FailureTest, DisplayLostInTheFirstFramesIsOneLineAndExitOne) {
    start_server();
    ASSERT_TRUE(start_intro(&intro, folder.path, &server, busy_audio()));
    ASSERT_NE(wait_for_window(server.display, 10), 0u) << intro_stderr(&intro);
    std::string line;
    ASSERT_NO_FATAL_FAILURE(expect_display_lost(&line));
    EXPECT_EQ(line.find("intro: lost the display: "), 0u) << line;
}

TEST_F(FailureTest, DisplayLostWhileTheMusicPlaysIsOneLineAndExitOne) {
    start_server();
    start_and_see_it_run(busy_audio());
    sleep_s(2.0);
    std::string line;
    ASSERT_NO_FATAL_FAILURE(expect_display_lost(&line));
    EXPECT_EQ(
        line.find("intro: lost the display: the connection to the X server on " + server.name), 0u)
        << line;
    long samples = 0;
    EXPECT_GT(peak_amplitude(intro.audio_path, &samples), 1000) << "the music was not playing";
}

// A crash inside SDL_SetVideoMode (a preloaded library stands in for the GL driver that
// crashes when the X server goes away while it sets up): with the server gone it is the
// lost display, said in one line with exit code 1; with the server there, also when only
// its abstract socket is left (its socket file removed), a fault or a SIGSEGV sent by kill
// stays the crash it is.
TEST_F(FailureTest, CrashWhileTheDisplayIsSetUpIsALostDisplayOnlyWhenTheServerIsGone) {
    enum server_state { stopped, there, abstract_socket_only };
    for (const server_state state : {stopped, there, abstract_socket_only})
        for (const char *crash : {"fault", "kill"}) {
            SCOPED_TRACE(testing::Message() << crash << ", server state " << state);
            start_server();
            intro_env env;
            env.set = {std::string("LD_PRELOAD=") + CRASH_PRELOAD,
                       std::string("E2E_CRASH=") + crash};
            if (state == stopped) {
                env.set.push_back("E2E_STOP_X_SERVER=" + std::to_string(server.pid));
                XCloseDisplay(server.display); // the harness's own connection would break too
                server.display = nullptr;
            }
            ASSERT_TRUE(state != abstract_socket_only ||
                        unlink(("/tmp/.X11-unix/X" + server.name.substr(1)).c_str()) == 0);
            if (sanitized_build()) // the preloaded library comes before the sanitizer's
                env.set.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
            const double started = now_s();
            ASSERT_TRUE(start_intro(&intro, folder.path, &server, env));
            if (state == stopped) {
                std::string line;
                ASSERT_NO_FATAL_FAILURE(expect_exit_one_with_one_line(started, 5.0, &line));
                EXPECT_EQ(line, "intro: lost the display: the X server on " + server.name +
                                    " went away while the display was set up");
            } else {
                ASSERT_TRUE(wait_intro_exit(&intro, 10)) << "still running after its crash";
                const std::string said = intro_stderr(&intro);
                EXPECT_EQ(said.find("lost the display"), std::string::npos) << said;
                if (sanitized_build()) {
                    EXPECT_NE(said.find("AddressSanitizer: SEGV"), std::string::npos) << said;
                } else {
                    EXPECT_EQ(intro.term_signal, SIGSEGV) << said;
                }
            }
            stop_x_server(&server);
        }
}

// `intro 2>&1 | head -1` once head has quit: every message goes into a pipe without a
// reader, and the intro runs on as if nothing was said.
TEST_F(FailureTest, StderrPipeWithoutReaderDoesNotEndIt) {
    std::filesystem::remove(res("sl2.dat"));  // said before the window opens
    std::filesystem::remove(res("theme.xm")); // and after
    intro_env env;
    env.unread_stderr = true;
    expect_runs_and_says({}, env);
}

} // namespace
