// The Windows release, run under Wine as a viewer would run it: intro.exe from the unzipped
// release folder on a private Xvfb with a window manager. Its screens must be frames that
// intro-capture renders, Escape must end it at once and nothing else may, its sound must be
// the soundtrack at the level an independent player gives it, and its failures must say so.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../e2e/harness.h"

extern char **environ;

namespace {

using namespace e2e;

// ---- what the test runs -----------------------------------------------------------------

std::string wine_path() {
    for (const char *p : {"/usr/bin/wine", "/usr/lib/wine/wine"})
        if (access(p, X_OK) == 0)
            return p;
    return "";
}

// One Wine prefix for the whole run (test.sh makes it: Wine's first start takes long);
// without one, each test makes its own in its folder.
std::string wine_prefix(const std::string &folder) {
    const char *given = std::getenv("INTRO_WINE_PREFIX");
    return given && *given ? given : folder + "/wineprefix";
}

// Runs `command` through the shell; its exit status.
int run(const std::string &command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The window manager, as on a desktop: Wine's full-screen windows behave differently without one.
struct window_manager {
    pid_t pid = -1;
    ~window_manager() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

bool start_window_manager(window_manager *wm, const x_server &x) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> env = {"DISPLAY=" + x.name, "HOME=/tmp",
                                    std::string("PATH=") + std::getenv("PATH")};
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char name[] = "openbox";
    char *argv[] = {name, nullptr};
    const int r = posix_spawnp(&wm->pid, "openbox", &files, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&files);
    if (r != 0)
        return false;
    // It is up once it has claimed the root window's _NET_SUPPORTING_WM_CHECK.
    const Atom check = XInternAtom(x.display, "_NET_SUPPORTING_WM_CHECK", False);
    for (double deadline = now_s() + 10; now_s() < deadline; sleep_s(0.05)) {
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(x.display, DefaultRootWindow(x.display), check, 0, 1, False,
                               XA_WINDOW, &type, &format, &n, &after, &data) == Success &&
            data) {
            XFree(data);
            if (n == 1)
                return true;
        }
    }
    return false;
}

// The window the window manager has given the focus: the intro's.
Window active_window(Display *d) {
    const Atom active = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char *data = nullptr;
    Window w = 0;
    if (XGetWindowProperty(d, DefaultRootWindow(d), active, 0, 1, False, XA_WINDOW, &type, &format,
                           &n, &after, &data) == Success &&
        data) {
        if (n == 1)
            w = *reinterpret_cast<Window *>(data);
        XFree(data);
    }
    return w;
}

// A release folder unzipped from the zip, and intro.exe started in it under Wine. ALSA's
// default device, for Wine's sound, is a file in the folder.
struct wine_run {
    temp_folder folder;
    std::string release; // the unzipped folder
    std::string prefix;
    std::string sound_path;
    intro_process intro;
    ~wine_run() {
        kill_intro(&intro);
        run("WINEPREFIX='" + prefix + "' wineserver -k >/dev/null 2>&1");
    }
};

bool start_wine_intro(wine_run *r, const x_server *server, bool keep_res = true) {
    if (!make_temp_folder(&r->folder))
        return false;
    if (run("cd '" + r->folder.path + "' && unzip -q '" + WINDOWS_ZIP + "'") != 0)
        return false;
    r->release = r->folder.path + "/wavelength-win32";
    if (!keep_res)
        remove_tree(r->release + "/res");
    r->prefix = wine_prefix(r->folder.path);
    r->sound_path = r->folder.path + "/sound.wav";
    const std::string alsa = r->folder.path + "/asound.conf";
    // Wine hands ALSA floating-point samples, which the file plugin would label as 32-bit
    // integers; the plug in front turns them into 16-bit ones.
    const std::string config = "pcm.!default {\n"
                               "  type plug\n"
                               "  slave { pcm \"recorder\" format S16_LE }\n"
                               "}\n"
                               "pcm.recorder {\n"
                               "  type file\n"
                               "  slave.pcm { type null }\n"
                               "  file \"" +
                               r->sound_path +
                               "\"\n"
                               "  format \"wav\"\n"
                               "}\n";
    if (!write_file(alsa, config))
        return false;
    intro_env env;
    // SDL.dll would take these too and write its sound to a file instead of through Wine.
    env.unset = {"SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE"};
    env.set = {"WINEPREFIX=" + r->prefix, "WINEDEBUG=-all",
               "WINEDLLOVERRIDES=mscoree,mshtml=", "ALSA_CONFIG_PATH=" + alsa};
    return start_program(&r->intro, {wine_path(), "intro.exe"}, r->release, server, env);
}

// ---- the screen ---------------------------------------------------------------------------

// SDL 1.2.15, which the Windows release is built with, blends a picture with a surface
// alpha rounding a little differently from the SDL the Linux build has: inside the slide
// panel a channel may be one step off. Pixels in the panel that are not exact, or -1 if a
// pixel outside it differs or one inside differs by more.
long differences_but_blending(const std::vector<std::uint16_t> &shot,
                              const std::vector<std::uint16_t> &frame, int panel_w, int panel_h) {
    long rounded = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int a = shot[y * width + x], b = frame[y * width + x];
            if (a == b)
                continue;
            if (x < 10 || x >= 10 + panel_w || y < 110 || y >= 110 + panel_h)
                return -1;
            const int dr = (a >> 11) - (b >> 11), dg = (a >> 5 & 63) - (b >> 5 & 63),
                      db = (a & 31) - (b & 31);
            if (std::abs(dr) > 1 || std::abs(dg) > 1 || std::abs(db) > 1)
                return -1;
            ++rounded;
        }
    return rounded;
}

// ---- the sound ----------------------------------------------------------------------------

struct sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved, full scale 1
};

// A WAV file of 16-bit samples as ALSA's file plugin writes it: the sizes in its header may
// be unset when the writer did not close it, so the data is taken to the end of the file.
bool read_wav(const std::string &path, sound *s) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    auto u16 = [&](size_t at) { return static_cast<unsigned>(b[at] | b[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) != 0)
        return false;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const size_t size = u32(at + 4);
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && at + 24 <= b.size()) {
            if (u16(at + 8) != 1 || u16(at + 22) != 16)
                return false;
            s->channels = static_cast<int>(u16(at + 10));
            s->rate = static_cast<int>(u32(at + 12));
        } else if (std::memcmp(&b[at], "data", 4) == 0) {
            for (size_t i = at + 8; i + 2 <= b.size(); i += 2)
                s->samples.push_back(static_cast<float>(static_cast<int16_t>(u16(i))) / 32768.0f);
            return s->rate > 0 && s->channels > 0;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// RMS level in dB of full scale over `seconds` from the first non-zero sample; NaN if the
// sound is shorter than that.
double level_db(const sound &s, double seconds) {
    size_t first = 0;
    while (first < s.samples.size() && s.samples[first] == 0)
        ++first;
    const size_t count = static_cast<size_t>(seconds * s.rate) * static_cast<size_t>(s.channels);
    if (first + count > s.samples.size())
        return std::nan("");
    double energy = 0;
    for (size_t i = first; i < first + count; ++i)
        energy += static_cast<double>(s.samples[i]) * s.samples[i];
    return 10.0 * std::log10(energy / static_cast<double>(count));
}

class Wine : public ::testing::Test {
  protected:
    void SetUp() override {
        if (wine_path().empty())
            GTEST_SKIP() << "wine is not installed (tools/windows/test.sh installs it)";
        std::string error;
        // Wine shows a 16-bit program's 5-6-5 pixels on a 16-bit X screen with green's lowest
        // bit lost; on a 24-bit one every 5-6-5 value comes through and back unchanged.
        ASSERT_TRUE(start_x_server(&server, &error, "320x240x24")) << error;
        ASSERT_TRUE(start_window_manager(&wm, server)) << "openbox did not start";
    }
    x_server server;
    window_manager wm;
};

// ---- the tests ----------------------------------------------------------------------------

TEST_F(Wine, ShowsCapturedFramesPlaysTheThemeAndEndsOnEscapeOnly) {
    int w = 0, h = 0;
    const std::vector<std::uint16_t> background =
        bmp_as_565(std::string(SOURCE_DIR) + "/res/back.dat", &w, &h);
    ASSERT_EQ(background.size(), static_cast<size_t>(width * height));

    wine_run r;
    ASSERT_TRUE(start_wine_intro(&r, &server));
    double started = now_s();

    // Wine takes its time to start; the intro's frames count from its first one on screen.
    std::vector<std::uint16_t> shot;
    for (const double deadline = now_s() + 60; now_s() < deadline; sleep_s(0.02)) {
        ASSERT_TRUE(intro_running(&r.intro)) << intro_stderr(&r.intro);
        shot = grab_screen(server.display);
        ASSERT_EQ(shot.size(), static_cast<size_t>(width * height)) << "the X visual is not 8-8-8";
        if (shows_background_top(shot, background)) {
            started = now_s();
            break;
        }
    }
    ASSERT_TRUE(shows_background_top(shot, background))
        << "intro.exe drew no background within 60 s; stderr:\n"
        << intro_stderr(&r.intro);

    // One screen with the scroller's text, one once the first slide shows.
    std::vector<std::vector<std::uint16_t>> shots;
    for (const double deadline = now_s() + 40; shots.size() < 2 && now_s() < deadline;) {
        shot = grab_screen(server.display);
        if (shows_background_top(shot, background) && differences(shot, background) > 200 &&
            (shots.empty() || shows_slide(shot, background)))
            shots.push_back(shot);
        else
            sleep_s(0.1);
    }
    const int last_possible = static_cast<int>((now_s() - started) / 0.040) + 2;
    ASSERT_EQ(shots.size(), 2u) << "the scroller or the first slide never showed";

    // Neither another key nor the window manager's close request ends it.
    const Window window = active_window(server.display);
    ASSERT_NE(window, 0u) << "the window manager gave no window the focus";
    press_key(server.display, XK_space);
    press_key(server.display, XK_q);
    send_close_request(server.display, window);
    XSync(server.display, False);
    EXPECT_FALSE(wait_intro_exit(&r.intro, 2.0)) << "it ended without Escape";

    const double pressed = now_s();
    press_key(server.display, XK_Escape);
    ASSERT_TRUE(wait_intro_exit(&r.intro, 10)) << "still running 10 s after Escape";
    const double exit_s = now_s() - pressed;
    EXPECT_EQ(r.intro.exit_code, 0) << intro_stderr(&r.intro);
    EXPECT_LT(exit_s, 2.0);
    std::printf("[ measured ] exit %.3f s after Escape\n", exit_s);
    EXPECT_EQ(intro_stderr(&r.intro), "");

    // The same frames rendered by intro-capture on Linux from the repository's media.
    const std::string frames = r.folder.path + "/frames";
    ASSERT_EQ(run("cd '" + r.release + "' && '" + CAPTURE_EXE + "' --frames 1-" +
                  std::to_string(last_possible) + " --out '" + frames + "' >/dev/null"),
              0);
    int slide_w = 0, slide_h = 0;
    ASSERT_FALSE(bmp_as_565(r.release + "/res/sl0.dat", &slide_w, &slide_h).empty());
    int matched[2] = {0, 0};
    long closest[2] = {-1, -1};
    long rounded = -1;
    for (int frame = 1; frame <= last_possible; ++frame) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame%06d.bmp", frame);
        const std::vector<std::uint16_t> captured = bmp_as_565(frames + name, &w, &h);
        ASSERT_EQ(captured.size(), static_cast<size_t>(width * height)) << name;
        for (int s = 0; s < 2; ++s) {
            const long d = differences(shots[s], captured);
            if (closest[s] < 0 || d < closest[s])
                closest[s] = d;
        }
        if (!matched[0] && differences(shots[0], captured) == 0)
            matched[0] = frame;
        const long n = differences_but_blending(shots[1], captured, slide_w, slide_h);
        if (!matched[1] && n >= 0) {
            matched[1] = frame;
            rounded = n;
        }
    }
    for (int s = 0; s < 2; ++s) {
        if (!matched[s])
            write_ppm(r.folder.path + "/../wine-screen" + std::to_string(s) + ".ppm", shots[s]);
        EXPECT_NE(matched[s], 0) << "screen " << s << " is none of frames 1 to " << last_possible
                                 << "; the closest differs in " << closest[s] << " pixels";
    }
    std::printf("[ measured ] grabbed screens are frames %d and %d of at most %d; %ld of the "
                "slide's %d pixels one step off\n",
                matched[0], matched[1], last_possible, rounded, slide_w * slide_h);
    EXPECT_LT(matched[0], matched[1]);
    // The slide panel opens with slide 0 after frame 275.
    EXPECT_GT(matched[1], 275);

    // The sound Wine played through ALSA, against openmpt123's render of the same module.
    sound played;
    ASSERT_TRUE(read_wav(r.sound_path, &played)) << "no WAV sound recorded at " << r.sound_path;
    const std::string theme = r.folder.path + "/theme.xm";
    ASSERT_EQ(
        run("cp '" + std::string(SOURCE_DIR) + "/res/theme.xm' '" + theme +
            "' && openmpt123 --batch --quiet --render --no-float --end-time 10 --samplerate 22050 "
            "--channels 2 '" +
            theme + "' >/dev/null 2>&1"),
        0);
    sound rendered;
    ASSERT_TRUE(read_wav(theme + ".wav", &rendered));
    const double seconds = 5.0;
    const double wine_db = level_db(played, seconds);
    const double openmpt_db = level_db(rendered, seconds);
    std::printf("[ measured ] sound at %d Hz x %d: %.2f dB RMS over its first %.0f s; "
                "openmpt123 %.2f dB\n",
                played.rate, played.channels, wine_db, seconds, openmpt_db);
    ASSERT_FALSE(std::isnan(wine_db)) << "less than " << seconds << " s of sound";
    EXPECT_GT(wine_db, -40.0) << "silent";
    EXPECT_NEAR(wine_db, openmpt_db, 3.0);
}

TEST_F(Wine, WithoutResSaysSoOnStderrAndRunsSilent) {
    wine_run r;
    ASSERT_TRUE(start_wine_intro(&r, &server, false));
    // It draws: the scroller's text comes up on black.
    bool drawing = false;
    for (const double deadline = now_s() + 60; !drawing && now_s() < deadline; sleep_s(0.1)) {
        ASSERT_TRUE(intro_running(&r.intro)) << intro_stderr(&r.intro);
        long lit = 0;
        for (std::uint16_t p : grab_screen(server.display))
            lit += p != 0;
        drawing = lit > 200;
    }
    EXPECT_TRUE(drawing) << "no scroller on screen";
    press_key(server.display, XK_Escape);
    ASSERT_TRUE(wait_intro_exit(&r.intro, 10));
    EXPECT_EQ(r.intro.exit_code, 0);
    const std::vector<std::string> lines = lines_of(intro_stderr(&r.intro));
    ASSERT_EQ(lines.size(), 1u) << intro_stderr(&r.intro);
    EXPECT_EQ(lines[0].rfind("intro: no res/ folder in ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("running without pictures and music"), std::string::npos);
    // Silent: no sound device was opened, so ALSA's file was never written.
    sound played;
    long loud = 0;
    if (read_wav(r.sound_path, &played))
        for (float v : played.samples)
            loud += v != 0;
    EXPECT_EQ(loud, 0);
}

TEST_F(Wine, WithoutDisplaySaysSoAndFails) {
    wine_run r;
    ASSERT_TRUE(start_wine_intro(&r, nullptr));
    ASSERT_TRUE(wait_intro_exit(&r.intro, 60)) << "still running without a display";
    EXPECT_NE(r.intro.exit_code, 0);
    const std::vector<std::string> lines = lines_of(intro_stderr(&r.intro));
    ASSERT_EQ(lines.size(), 1u) << intro_stderr(&r.intro);
    EXPECT_EQ(lines[0].rfind("intro: no display available", 0), 0u) << lines[0];
}

} // namespace
