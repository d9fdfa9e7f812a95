// The Windows release, run under Wine as a viewer would run it: intro.exe from the release
// folder unzipped into a folder with a space in its name, a fresh Wine prefix, on private
// Xvfb screens of today's sizes (1920x1080 and 1280x720 at 24 bits, 1920x1080 at 16) with
// the openbox window manager. The display must be enlarged by the largest whole number,
// centred, in sharp blocks showing frames that intro-capture renders; the window must carry
// the title WAVELENGTH and the intro's icon and hide the cursor; Escape must end it at once
// and nothing else may; its sound must be the capture tool's soundtrack sample for sample,
// and what Wine plays must have the level an independent player gives the module; started
// in another folder it must find res/ beside itself; and what it has to say must be said on
// stderr and shown in one message box before the display comes up.
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
#include "soundtrack.h"
#include "wine_run.h"

namespace {

using namespace e2e;

// The window the window manager has given the focus: the intro's.
Window active_window(Display *d) {
    int format = 0;
    const std::vector<unsigned long> active =
        window_property(d, DefaultRootWindow(d), "_NET_ACTIVE_WINDOW", &format, XA_WINDOW);
    return active.size() == 1 ? static_cast<Window>(active[0]) : 0;
}

// ---- the screen ---------------------------------------------------------------------------

// Wine on a 16-bit X screen shows 5-6-5 pixels through 5-5-5: green loses its lowest bit
// and gets its top bit repeated there when widened back. At 24 bits every 5-6-5 value
// comes through unchanged.
std::vector<std::uint16_t> through_555(std::vector<std::uint16_t> pixels) {
    for (std::uint16_t &v : pixels)
        v = static_cast<std::uint16_t>((v & ~0x20) | (v >> 5 & 0x20));
    return pixels;
}

// The size x size image of the window's icon (_NET_WM_ICON) as 0xAARRGGBB, top row first;
// empty if it has none of that size.
std::vector<std::uint32_t> window_icon(Display *d, Window w, unsigned long size) {
    int format = 0;
    const std::vector<unsigned long> icon = window_property(d, w, "_NET_WM_ICON", &format);
    for (size_t at = 0; at + 2 <= icon.size(); at += 2 + icon[at] * icon[at + 1]) {
        const size_t count = icon[at] * icon[at + 1];
        if (icon[at] == size && icon[at + 1] == size && at + 2 + count <= icon.size())
            return std::vector<std::uint32_t>(icon.begin() + static_cast<long>(at) + 2,
                                              icon.begin() + static_cast<long>(at + 2 + count));
    }
    return {};
}

// The size x size 32-bit image of an .ico file as 0xAARRGGBB, top row first; empty if it
// has none. Each image is a DIB of twice its height, stored bottom row first.
std::vector<std::uint32_t> ico_image(const std::string &path, unsigned size) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    auto u16 = [&](size_t at) { return static_cast<unsigned>(b[at] | b[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    if (b.size() < 6)
        return {};
    for (unsigned i = 0; i < u16(4) && 6 + 16 * i + 16 <= b.size(); ++i) {
        const size_t entry = 6 + 16 * i;
        const size_t at = u32(entry + 12);
        if (b[entry] != size || b[entry + 1] != size || u16(entry + 6) != 32 ||
            at + 40 + 4 * size * size > b.size())
            continue;
        std::vector<std::uint32_t> image;
        for (unsigned y = 0; y < size; ++y)
            for (unsigned x = 0; x < size; ++x)
                image.push_back(u32(at + u32(at) + 4 * ((size - 1 - y) * size + x)));
        return image;
    }
    return {};
}

// ---- the message box ----------------------------------------------------------------------

// The top-level windows the window manager manages (_NET_CLIENT_LIST).
std::vector<Window> managed_windows(Display *d) {
    int format = 0;
    std::vector<Window> windows;
    for (unsigned long w : window_property(d, DefaultRootWindow(d), "_NET_CLIENT_LIST", &format))
        windows.push_back(static_cast<Window>(w));
    return windows;
}

// The message box intro.exe shows: a window titled WAVELENGTH, smaller than half the screen
// (the intro's own window covers it); 0 if none comes up in time or the intro ends first.
Window wait_for_box(wine_run *r, Display *d, double timeout_s) {
    for (const double deadline = now_s() + timeout_s; now_s() < deadline; sleep_s(0.1)) {
        if (!intro_running(&r->intro))
            return 0;
        for (Window w : managed_windows(d)) {
            XWindowAttributes a;
            if (window_title(d, w) == "WAVELENGTH" && XGetWindowAttributes(d, w, &a) &&
                a.map_state == IsViewable && a.width < DisplayWidth(d, 0) / 2)
                return w;
        }
    }
    return 0;
}

// The text the message box titled WAVELENGTH shows, its text controls one a line, as
// another Windows program reads it (box_text.c) in the intro's Wine prefix; empty while
// there is none.
std::string box_text(const wine_run &r) {
    const std::string out = r.folder.path + "/box.txt";
    if (run("WINEPREFIX='" + r.prefix + "' WINEDEBUG=-all '" + wine_path() +
            "' '" BOX_TEXT_EXE "' WAVELENGTH >'" + out + "'") != 0)
        return "";
    std::ifstream in(out, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A box must come up before the intro's window, alone on the screen, and be closed with
// Return, as a viewer may close it. Returns its text.
std::string read_and_close_box(wine_run *r, Display *d) {
    const Window box = wait_for_box(r, d, 60);
    EXPECT_NE(box, 0u) << "no message box; stderr:\n" << intro_stderr(&r->intro);
    if (box == 0)
        return "";
    EXPECT_EQ(managed_windows(d).size(), 1u) << "a window beside the message box";
    const std::string text = box_text(*r);
    EXPECT_FALSE(text.empty()) << "box_text.exe found no text in the box";
    press_key(d, XK_Return);
    for (const double deadline = now_s() + 10; now_s() < deadline && wait_for_box(r, d, 0.1);)
        sleep_s(0.1);
    EXPECT_EQ(wait_for_box(r, d, 0.1), 0u) << "Return did not close the box";
    return text;
}

// ---- the sound ----------------------------------------------------------------------------

struct sound {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples; // interleaved
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
                s->samples.push_back(static_cast<std::int16_t>(u16(i)));
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
    return 10.0 * std::log10(energy / static_cast<double>(count) / (32768.0 * 32768.0));
}

// sdl12-compat 1.2.76, which the Windows release has, opens the sound device at 44100 Hz
// or more and hands it the mixer's 22050 Hz through an SDL2 audio stream. `from` (16-bit
// stereo) converted the same way by the release's own SDL2.dll, under Wine
// (convert_sound.c, which tools/windows/test.sh builds).
const int device_rate = 44100;

bool as_device_takes(const wine_run &r, const sound &from, int rate, sound *to) {
    const std::string in = r.folder.path + "/soundtrack.raw", out = r.folder.path + "/device.raw";
    if (!write_file(in, std::string(reinterpret_cast<const char *>(from.samples.data()),
                                    from.samples.size() * 2)) ||
        run("cp '" CONVERT_SOUND_EXE "' '" + r.release + "/' && cd '" + r.release +
            "' && WINEPREFIX='" + r.prefix + "' WINEDEBUG=-all '" + wine_path() +
            "' convert_sound.exe '" + in + "' '" + out + "' " + std::to_string(from.rate) + " " +
            std::to_string(rate)) != 0)
        return false;
    std::ifstream converted(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(converted)),
                            std::istreambuf_iterator<char>());
    to->rate = rate;
    to->channels = 2;
    to->samples.resize(bytes.size() / 2);
    std::memcpy(to->samples.data(), bytes.data(), to->samples.size() * 2);
    return true;
}

// The repository's background, as the release shows it on a screen of `depth` bits.
std::vector<std::uint16_t> background_at(int depth) {
    int w = 0, h = 0;
    const std::vector<std::uint16_t> back =
        bmp_as_565(std::string(SOURCE_DIR) + "/res/back.dat", &w, &h);
    return depth == 16 ? through_555(back) : back;
}

// A screen the release is shown on, and what its run checks besides.
struct wine_screen {
    int width, height, depth;
    bool long_run;   // waits for the first slide and compares the mix with the capture tool's
    bool wine_sound; // plays through Wine's own sound instead of SDL's disk driver
};

// One run of intro.exe on one screen with openbox, which that screen's cases share (Wine
// starts slowly). Each case takes it as far as it needs, in the order the cases come: the
// display shown, other keys and a close request sent, Escape pressed.
struct screen_run {
    enum step { none, shown, keys_sent, escaped };
    static constexpr const char *names[] = {"", "showing the display", "sending other keys",
                                            "pressing Escape"};
    step done = none;
    std::string broken; // why a step failed, which leaves the cases after it nothing to check
    wine_screen s;
    x_server server;
    wine_run r;
    std::vector<std::uint16_t> background;
    std::vector<std::vector<std::uint16_t>> shots; // the scroller; on the long run, the first slide
    bool ended_without_escape = false;
    bool ended = false;
    double escape_to_end_s = 0;
    int last_possible = 0; // the last frame it can have drawn
};

template <typename Screen> class WineRun : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        shared = new screen_run;
        shared->s = Screen::value;
    }
    static void TearDownTestSuite() { delete shared; }
    void SetUp() override {
        if (wine_path().empty())
            GTEST_SKIP() << "wine is not installed (tools/windows/test.sh installs it)";
    }

    // Takes the run through the steps up to `step` that it has not taken yet; a step that
    // fails breaks the run.
    void reach(screen_run::step step) {
        ASSERT_EQ(shared->broken, "") << "in an earlier case";
        ASSERT_LE(shared->done, step) << "the run is past this case's step (cases out of order?)";
        while (shared->done < step) {
            const auto next = static_cast<screen_run::step>(shared->done + 1);
            if (next == screen_run::shown)
                show();
            if (next == screen_run::keys_sent)
                send_other_keys();
            if (next == screen_run::escaped)
                escape();
            if (HasFatalFailure()) {
                shared->broken = std::string(screen_run::names[next]) + " failed";
                return;
            }
            shared->done = next;
        }
    }

    // The scroller's text over the background, enlarged without a fault; then, on the long
    // run, the first slide.
    void show() {
        const wine_screen &s = shared->s;
        std::string error;
        const std::string screen = std::to_string(s.width) + "x" + std::to_string(s.height) + "x" +
                                   std::to_string(s.depth);
        ASSERT_TRUE(start_x_server(&shared->server, &error, screen.c_str())) << error;
        ASSERT_TRUE(start_window_manager(&shared->server, &error)) << error;
        shared->background = background_at(s.depth);
        ASSERT_EQ(shared->background.size(), static_cast<size_t>(width * height));
        ASSERT_TRUE(start_wine_intro(&shared->r, WINDOWS_ZIP, &shared->server, s.wine_sound));
        const placement p = whole_number_placement(s.width, s.height);
        std::string wrong;
        for (const display_test wanted : {shows_text, shows_slide}) {
            shared->shots.push_back(wait_for_display(
                shared->server.display, &shared->r.intro, p, shared->background,
                shared->shots.empty() ? 90 : 40, shared->r.folder.path, &wrong, wanted));
            ASSERT_FALSE(shared->shots.back().empty())
                << "expected " << p.scale << "x enlargement at (" << p.x << ", " << p.y
                << (shared->shots.size() == 1 ? ") with the scroller: " : ") with a slide: ")
                << wrong;
            if (shared->shots.size() == 1)
                std::printf("[ measured ] %s: first right screen %.1f s after starting wine\n",
                            screen.c_str(), now_s() - shared->r.started);
            if (!s.long_run)
                break;
        }
    }

    void send_other_keys() {
        Display *d = shared->server.display;
        press_key(d, XK_space);
        press_key(d, XK_q);
        send_close_request(d, active_window(d));
        XSync(d, False);
        shared->ended_without_escape = wait_intro_exit(&shared->r.intro, 2.0);
    }

    void escape() {
        const double pressed = now_s();
        press_key(shared->server.display, XK_Escape);
        shared->ended = wait_intro_exit(&shared->r.intro, 10);
        shared->escape_to_end_s = now_s() - pressed;
        shared->last_possible = last_possible_frame(shared->r.started);
    }

    static screen_run *shared;
};
template <typename Screen> screen_run *WineRun<Screen>::shared = nullptr;

template <int W, int H, int D, bool LongRun, bool WineSound> struct on {
    static constexpr wine_screen value = {W, H, D, LongRun, WineSound};
};
using screens = ::testing::Types<on<1920, 1080, 24, true, false>, on<1280, 720, 24, false, true>,
                                 on<1920, 1080, 16, false, false>>;
struct screen_name {
    template <typename Screen> static std::string GetName(int) {
        const wine_screen s = Screen::value;
        return std::to_string(s.width) + "x" + std::to_string(s.height) + "x" +
               std::to_string(s.depth);
    }
};
TYPED_TEST_SUITE(WineRun, screens, screen_name);

TYPED_TEST(WineRun, ShowsTheDisplayEnlargedSharpAndCentred) {
    ASSERT_NO_FATAL_FAILURE(this->reach(screen_run::shown));
}

// Title and icon, as the taskbar and the window manager see them.
TYPED_TEST(WineRun, TheWindowIsTitledWavelengthWithTheIntrosIcon) {
    ASSERT_NO_FATAL_FAILURE(this->reach(screen_run::shown));
    Display *d = this->shared->server.display;
    const Window window = active_window(d);
    ASSERT_NE(window, 0u) << "the window manager gave no window the focus";
    EXPECT_EQ(window_title(d, window), "WAVELENGTH");
    const std::vector<std::uint32_t> icon =
        ico_image(std::string(SOURCE_DIR) + "/res/intro.ico", 32);
    ASSERT_EQ(icon.size(), 32u * 32u) << "res/intro.ico has no 32x32 32-bit image";
    // On a 16-bit screen Wine hands the window manager a copy of the icon in other colours.
    const std::vector<std::uint32_t> shown = window_icon(d, window, 32);
    if (this->shared->s.depth == 24) {
        EXPECT_TRUE(shown == icon) << "the window's 32x32 icon is not res/intro.ico's";
    } else {
        EXPECT_EQ(shown.size(), icon.size()) << "the window has no 32x32 icon";
    }
}

TYPED_TEST(WineRun, TheCursorIsHidden) {
    ASSERT_NO_FATAL_FAILURE(this->reach(screen_run::shown));
    const wine_screen &s = this->shared->s;
    move_pointer(this->shared->server.display, s.width / 2, s.height / 2);
    sleep_s(0.2);
    EXPECT_TRUE(cursor_is_invisible(this->shared->server.display))
        << "the cursor shows over the intro";
}

TYPED_TEST(WineRun, OtherKeysAndACloseRequestDoNotEndIt) {
    ASSERT_NO_FATAL_FAILURE(this->reach(screen_run::keys_sent));
    EXPECT_FALSE(this->shared->ended_without_escape) << "it ended without Escape";
}

TYPED_TEST(WineRun, EscapeEndsItAtOnceSayingNothing) {
    ASSERT_NO_FATAL_FAILURE(this->reach(screen_run::escaped));
    const intro_process &intro = this->shared->r.intro;
    ASSERT_TRUE(this->shared->ended) << "still running 10 s after Escape";
    EXPECT_EQ(intro.exit_code, 0) << intro_stderr(&intro);
    EXPECT_LT(this->shared->escape_to_end_s, 2.0);
    EXPECT_TRUE(intro_lines(&intro).empty()) << intro_stderr(&intro);
}

// The screens are frames intro-capture renders on Linux from the same media.
TYPED_TEST(WineRun, TheScreensAreFramesTheCaptureToolRenders) {
    ASSERT_NO_FATAL_FAILURE(this->reach(screen_run::escaped));
    const screen_run &run = *this->shared;
    std::string faults;
    const std::vector<int> matched = match_captured_frames(
        CAPTURE_EXE, run.r.release, run.last_possible, run.shots, run.r.folder.path, &faults,
        run.s.depth == 16 ? through_555 : nullptr);
    EXPECT_EQ(faults, "");
    std::printf("[ measured ] %dx%dx%d: screens are frames", run.s.width, run.s.height,
                run.s.depth);
    for (int m : matched)
        std::printf(" %d", m);
    std::printf(" of at most %d\n", run.last_possible);
    // The slide panel opens with slide 0 after frame 275.
    if (run.s.long_run) {
        EXPECT_GT(matched[1], 275);
    }
}

TYPED_TEST(WineRun, PlaysTheSoundtrack) {
    ASSERT_NO_FATAL_FAILURE(this->reach(screen_run::escaped));
    const screen_run &run = *this->shared;
    const wine_run &r = run.r;
    if (run.s.wine_sound) {
        // What Wine played through ALSA, against openmpt123's render of the same module.
        sound played;
        ASSERT_TRUE(read_wav(r.wine_sound_path, &played)) << "no sound at " << r.wine_sound_path;
        const std::string theme = r.folder.path + "/theme.xm";
        ASSERT_EQ(
            e2e::run(
                "cp '" + std::string(SOURCE_DIR) + "/res/theme.xm' '" + theme +
                "' && openmpt123 --batch --quiet --render --no-float --end-time 10 --samplerate " +
                std::to_string(audio_rate) + " --channels " + std::to_string(audio_channels) +
                " '" + theme + "' >/dev/null 2>&1"),
            0);
        sound rendered;
        ASSERT_TRUE(read_wav(theme + ".wav", &rendered));
        const double wine_db = level_db(played, 3.0), openmpt_db = level_db(rendered, 3.0);
        std::printf("[ measured ] Wine's sound at %d Hz x %d: %.2f dB RMS over 3 s; "
                    "openmpt123 %.2f dB\n",
                    played.rate, played.channels, wine_db, openmpt_db);
        ASSERT_FALSE(std::isnan(wine_db)) << "less than 3 s of sound";
        EXPECT_NEAR(wine_db, openmpt_db, 3.0);
    } else if (run.s.long_run) {
        // The sound as SDL's disk driver took it from the device, against the capture tool's
        // soundtrack converted to the device's rate as the layer converts it: the same from
        // the music's first sample on.
        const double seconds = 5;
        char error[256] = "";
        int rate = 0;
        const std::string wav = r.folder.path + "/soundtrack.wav";
        ASSERT_TRUE(render_soundtrack(wav.c_str(), static_cast<int>(seconds * 25), &rate, error,
                                      sizeof error))
            << error;
        sound soundtrack;
        ASSERT_TRUE(read_wav(wav, &soundtrack));
        sound captured;
        ASSERT_TRUE(as_device_takes(r, soundtrack, device_rate, &captured))
            << "convert_sound.exe failed";
        std::ifstream in(r.intro.audio_path, std::ios::binary);
        std::vector<std::int16_t> mixed(captured.samples.size() * 2);
        in.read(reinterpret_cast<char *>(mixed.data()),
                static_cast<std::streamsize>(mixed.size() * 2));
        mixed.resize(static_cast<size_t>(in.gcount()) / 2);
        // The device starts before the music: both line up at their first sound, a whole
        // stereo frame in.
        auto first_sound = [](const std::vector<std::int16_t> &v) {
            size_t i = 0;
            while (i < v.size() && v[i] == 0)
                ++i;
            return i & ~size_t(1);
        };
        const size_t start_c = first_sound(captured.samples), start_m = first_sound(mixed);
        const size_t count = captured.samples.size() - start_c;
        ASSERT_GE(count, static_cast<size_t>(4 * device_rate * 2)) << "the conversion gave less";
        ASSERT_GE(mixed.size() - start_m, count)
            << "less than 4 s of music in " << r.intro.audio_path;
        long differing = 0;
        int largest = 0;
        for (size_t i = 0; i < count; ++i) {
            const int d = std::abs(mixed[start_m + i] - captured.samples[start_c + i]);
            differing += d != 0;
            largest = std::max(largest, d);
        }
        std::printf("[ measured ] the mix at %d Hz, played at %d Hz: %ld of the first %zu "
                    "samples differ from the capture tool's, by up to %d\n",
                    rate, device_rate, differing, count, largest);
        EXPECT_EQ(rate, audio_rate);
        EXPECT_EQ(differing, 0);
    } else {
        EXPECT_GT(peak_amplitude(r.intro.audio_path, nullptr), 1000) << "no music";
    }
}

// The single cases below have a screen each, of their own.
class WineScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        if (wine_path().empty())
            GTEST_SKIP() << "wine is not installed (tools/windows/test.sh installs it)";
    }
    void start_screen() {
        std::string error;
        ASSERT_TRUE(start_x_server(&server, &error, "1280x720x24")) << error;
        ASSERT_TRUE(start_window_manager(&server, &error)) << error;
    }
    // Waits for the scroller over the background, enlarged without a fault.
    void expect_display(wine_run *r, double timeout_s) {
        std::string wrong;
        EXPECT_FALSE(wait_for_display(server.display, &r->intro, whole_number_placement(1280, 720),
                                      background_at(24), timeout_s, r->folder.path, &wrong,
                                      shows_text)
                         .empty())
            << "no background and scroller on screen: " << wrong;
    }
    x_server server;
};

// Started by its full path in another folder, as a shortcut whose "Start in" names another
// folder, a launcher or a file manager starts it, intro.exe finds res/ beside itself: the
// background and the music, nothing said, and no message box: the display comes up alone.
TEST_F(WineScreen, StartedElsewhereFindsItsMediaBesideItself) {
    ASSERT_NO_FATAL_FAILURE(start_screen());
    wine_run r;
    r.from_elsewhere = true;
    ASSERT_TRUE(start_wine_intro(&r, WINDOWS_ZIP, &server, false));
    expect_display(&r, 90);
    sleep_s(1.0);
    press_key(server.display, XK_Escape);
    ASSERT_TRUE(wait_intro_exit(&r.intro, 10));
    EXPECT_EQ(r.intro.exit_code, 0);
    EXPECT_TRUE(intro_lines(&r.intro).empty()) << intro_stderr(&r.intro);
    EXPECT_GT(peak_amplitude(r.intro.audio_path, nullptr), 1000) << "no music";
}

// Without res/ in the working folder or beside intro.exe, the one line on stderr names both
// and is shown in a message box before the display covers the screen; closed, the intro
// runs in silence, the scroller on black.
TEST_F(WineScreen, WithoutResSaysSoInABoxThenRunsSilent) {
    ASSERT_NO_FATAL_FAILURE(start_screen());
    wine_run r;
    r.from_elsewhere = true;
    ASSERT_TRUE(start_wine_intro(&r, WINDOWS_ZIP, &server, false, false));
    const std::string box = read_and_close_box(&r, server.display);
    // It draws: the scroller's text comes up on black.
    const placement p = whole_number_placement(1280, 720);
    bool drawing = false;
    for (const double deadline = now_s() + 60; !drawing && now_s() < deadline; sleep_s(0.1)) {
        ASSERT_TRUE(intro_running(&r.intro)) << intro_stderr(&r.intro);
        long lit = 0;
        for (std::uint16_t v : shrink_screen(grab_screen_rgb(server.display), p.scale, p.x, p.y)) {
            lit += v != 0;
        }
        drawing = lit > 200;
    }
    EXPECT_TRUE(drawing) << "no scroller on screen";
    press_key(server.display, XK_Escape);
    ASSERT_TRUE(wait_intro_exit(&r.intro, 10));
    EXPECT_EQ(r.intro.exit_code, 0);
    const std::vector<std::string> lines = intro_lines(&r.intro);
    ASSERT_EQ(lines.size(), 1u) << intro_stderr(&r.intro);
    EXPECT_EQ(lines[0], "intro: no res/ folder in " + windows_path(r.elsewhere) +
                            " nor beside intro.exe in " + windows_path(r.release) +
                            "; running without pictures and music");
    EXPECT_NE(box.find(lines[0].substr(std::strlen("intro: "))), std::string::npos)
        << "the box says:\n"
        << box;
    // Silent: no audio device was opened, so the disk driver wrote nothing.
    EXPECT_LE(peak_amplitude(r.intro.audio_path, nullptr), 0);
}

// A picture left out and no sound device: one box lists both lines, before the display
// covers the screen; closed, the intro runs with the rest of its pictures.
TEST_F(WineScreen, MissingPictureAndNoSoundDeviceAreListedInOneBox) {
    ASSERT_NO_FATAL_FAILURE(start_screen());
    wine_run r;
    r.removed = {"res/sl3.dat"};
    ASSERT_TRUE(start_wine_intro(&r, WINDOWS_ZIP, &server, false, true,
                                 {"SDL_AUDIODRIVER=no-such-driver"}));
    const std::string box = read_and_close_box(&r, server.display);
    expect_display(&r, 60);
    press_key(server.display, XK_Escape);
    ASSERT_TRUE(wait_intro_exit(&r.intro, 10));
    EXPECT_EQ(r.intro.exit_code, 0);
    const std::vector<std::string> lines = intro_lines(&r.intro);
    ASSERT_EQ(lines.size(), 2u) << intro_stderr(&r.intro);
    EXPECT_EQ(lines[0].rfind("intro: cannot read res/sl3.dat: ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("intro: no sound: ", 0), 0u) << lines[1];
    for (const std::string &line : lines)
        EXPECT_NE(box.find(line.substr(std::strlen("intro: "))), std::string::npos)
            << "the box says:\n"
            << box;
}

TEST_F(WineScreen, WithoutDisplaySaysSoAndFails) {
    wine_run r;
    ASSERT_TRUE(start_wine_intro(&r, WINDOWS_ZIP, nullptr, false));
    ASSERT_TRUE(wait_intro_exit(&r.intro, 60)) << "still running without a display";
    EXPECT_NE(r.intro.exit_code, 0);
    const std::vector<std::string> lines = intro_lines(&r.intro);
    ASSERT_EQ(lines.size(), 1u) << intro_stderr(&r.intro);
    // Wine without X11 opens its own Windows video driver, and the window then fails.
    EXPECT_TRUE(lines[0].rfind("intro: no display available", 0) == 0 ||
                lines[0].rfind("intro: cannot set the 320x240 16-bit display", 0) == 0)
        << lines[0];
}

} // namespace
