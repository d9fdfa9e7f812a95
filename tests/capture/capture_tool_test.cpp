// intro-capture run as people run it: its messages, the BMP frames it writes, and the
// videos ffmpeg makes from its frames and its soundtrack (checked with ffprobe and ffmpeg).
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "bmp_writer.h"
#include "files.h"
#include "gfx/gfx.h"
#include "intro/frame.h"
#include "offscreen.h"
#include "surfaces.h"

namespace fs = std::filesystem;

namespace {

struct result {
    int code;
    std::string out, err;
};

// Runs a shell command line in `cwd`, collecting its output and exit code.
result run(const std::string &command, const fs::path &cwd = SOURCE_DIR) {
    temp_folder t("capture-test");
    const std::string line = "cd '" + cwd.string() + "' && " + command + " >'" + t.path +
                             "/out' 2>'" + t.path + "/err' </dev/null";
    const int status = std::system(line.c_str());
    const bytes out = read_file(t.path + "/out"), err = read_file(t.path + "/err");
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(out.begin(), out.end()),
            std::string(err.begin(), err.end())};
}

// The tool with no display to find: it must not need one.
result capture(const std::string &args, const fs::path &cwd = SOURCE_DIR) {
    return run(std::string("env -u DISPLAY -u WAYLAND_DISPLAY '") + CAPTURE_EXE + "' " + args, cwd);
}

bool have_media(bool with_music) {
    for (const char *name : {"back.dat", "sl0.dat", "sl15.dat", "theme.xm"})
        if ((with_music || std::strcmp(name, "theme.xm") != 0) &&
            !fs::exists(fs::path(SOURCE_DIR) / "res" / name))
            return false;
    return true;
}

#define NEED_PICTURES()                                                                            \
    if (!have_media(false))                                                                        \
    GTEST_SKIP() << "res/ holds no pictures yet"
#define NEED_MEDIA()                                                                               \
    if (!have_media(true))                                                                         \
    GTEST_SKIP() << "res/ holds no pictures or no music yet"

int count_lines(const std::string &s) {
    int n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

TEST(CaptureTool, HelpShowsUsageAndSucceeds) {
    result r = capture("--help");
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("Usage: intro-capture --frames FIRST-LAST --out DIR"), std::string::npos);
    EXPECT_NE(r.out.find("--video FILE"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

TEST(CaptureTool, BadArgumentsGetOneLineAndExitCodeTwo) {
    for (const char *args : {"", "--frames 5-1 --out x", "--video v.mp4 --scale 0", "--fast"}) {
        result r = capture(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_EQ(r.err.rfind("intro-capture: ", 0), 0u) << r.err;
        EXPECT_EQ(count_lines(r.err), 1) << r.err;
        EXPECT_EQ(r.out, "") << args;
    }
}

TEST(CaptureTool, MissingMediaIsNamed) {
    temp_folder empty("capture-test");
    result r = capture("--frames 1 --out shots", empty.path);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "intro-capture: missing media: cannot read res/back.dat (no such file or "
                     "directory); run from the folder holding res/\n");
    EXPECT_FALSE(fs::exists(empty.path + "/shots"));
}

TEST(CaptureTool, MissingFfmpegIsSaid) {
    temp_folder t("capture-test");
    result r = run(std::string("PATH='") + t.path + "' '" + CAPTURE_EXE + "' --video '" + t.path +
                   "/v.mp4'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "intro-capture: ffmpeg not found in PATH; install Debian's ffmpeg package\n");
    EXPECT_FALSE(fs::exists(t.path + "/v.mp4"));
}

TEST(CaptureTool, UnwritableOutputsAreSaid) {
    NEED_MEDIA();
    temp_folder t("capture-test");
    result r = capture("--video '" + t.path + "/no/such/folder/v.mp4'");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot write " + t.path + "/no/such/folder/v.mp4" +
                         ": No such file or directory"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(count_lines(r.err), 1) << r.err;

    t.write("plain-file", {'x'});
    r = capture("--frames 1 --out '" + t.path + "/plain-file'");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is not a folder"), std::string::npos) << r.err;
    r = capture("--frames 1 --out '" + t.path + "/plain-file/sub'");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot make the folder"), std::string::npos) << r.err;
}

// The intro's frames drawn here through the same frame step, kept as 5-6-5 pixels.
std::vector<std::vector<Uint16>> intro_frames(int last) {
    std::vector<std::vector<Uint16>> frames;
    static intro_state state;
    intro_prepare(&state);
    intro_pictures pictures;
    load_pictures(&pictures);
    test_screen display;
    intro_begin(&state);
    for (int frame = 1; frame <= last; ++frame) {
        draw_frame(&state, &pictures);
        frames.push_back(display.pixels());
    }
    free_pictures(&pictures);
    return frames;
}

// A BMP's pixels as red, green, blue bytes; empty if it is not a 24-bit 320x240 BMP.
std::vector<unsigned char> read_bmp(const fs::path &path) {
    SDL_Surface *bmp = SDL_LoadBMP(path.c_str());
    if (!bmp)
        return {};
    std::vector<unsigned char> rgb;
    if (bmp->w == 320 && bmp->h == 240 && bmp->format->BitsPerPixel == 24) {
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                const Uint8 *p = static_cast<Uint8 *>(bmp->pixels) + y * bmp->pitch + x * 3;
                Uint32 v = p[0] | p[1] << 8 | p[2] << 16;
                Uint8 r, g, b;
                SDL_GetRGB(v, bmp->format, &r, &g, &b);
                rgb.insert(rgb.end(), {r, g, b});
            }
    }
    SDL_FreeSurface(bmp);
    return rgb;
}

// How many pixels of a 24-bit picture differ from a 5-6-5 one in their significant bits.
int differing_pixels(const std::vector<unsigned char> &rgb, const std::vector<Uint16> &packed) {
    int n = 0;
    for (int i = 0; i < 320 * 240; ++i) {
        const Uint16 v = packed[i];
        n += rgb[3 * i] >> 3 != v >> 11 || rgb[3 * i + 1] >> 2 != ((v >> 5) & 63) ||
             rgb[3 * i + 2] >> 3 != (v & 31);
    }
    return n;
}

TEST(CaptureTool, FramesAreTheIntrosFramesNumberedFromOne) {
    NEED_PICTURES();
    temp_folder t("capture-test");
    result r = capture("--frames 598-601 --out '" + t.path + "/shots'");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, ""); // no progress line when stderr is not a terminal

    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(t.path + "/shots"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame000598.bmp", "frame000599.bmp",
                                               "frame000600.bmp", "frame000601.bmp"}));

    const auto frames = intro_frames(601);
    // Successive frames differ, so a frame off by one would show.
    EXPECT_GT(differing_pixels(read_bmp(t.path + "/shots/frame000600.bmp"), frames[598]), 0);
    for (int frame = 598; frame <= 601; ++frame) {
        char name[32];
        std::snprintf(name, sizeof name, "frame%06d.bmp", frame);
        const auto rgb = read_bmp(t.path + "/shots/" + name);
        ASSERT_EQ(rgb.size(), 320u * 240 * 3) << name << " is not a 24-bit 320x240 BMP";
        EXPECT_EQ(differing_pixels(rgb, frames[frame - 1]), 0) << name;
    }
}

// Frames 150 and 700 as the capture tool draws them from res/, with the background left
// out (`black` false) or replaced by a black 320x240 picture.
void frames_150_and_700(bool black, std::vector<Uint16> *at_150, std::vector<Uint16> *at_700) {
    offscreen_intro o;
    char error[256] = "";
    ASSERT_TRUE(open_offscreen_intro(&o, error, sizeof error)) << error;
    SDL_FreeSurface(o.pictures.background);
    o.pictures.background = nullptr;
    if (black) {
        o.pictures.background =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 16, 0xF800, 0x07E0, 0x001F, 0);
        SDL_FillRect(o.pictures.background, nullptr, 0);
    }
    const auto pixels = static_cast<const Uint16 *>(o.display->pixels);
    while (o.frame < 700) {
        draw_next_frame(&o);
        if (o.frame == 150)
            at_150->assign(pixels, pixels + 320 * 240);
    }
    at_700->assign(pixels, pixels + 320 * 240);
    close_offscreen_intro(&o);
}

long lit_pixels(const std::vector<Uint16> &frame) {
    return static_cast<long>(frame.size()) - std::count(frame.begin(), frame.end(), 0);
}

// Without a background nothing of the last frame stays: every frame is the one drawn over
// a black background picture, not the scroller's trail piled up frame after frame.
TEST(CaptureTool, WithoutABackgroundEachFrameIsDrawnOnBlack) {
    NEED_PICTURES();
    std::vector<Uint16> none_150, none_700, black_150, black_700;
    ASSERT_NO_FATAL_FAILURE(frames_150_and_700(false, &none_150, &none_700));
    ASSERT_NO_FATAL_FAILURE(frames_150_and_700(true, &black_150, &black_700));
    std::printf("[ measured ] lit pixels without a background: %ld at frame 150, %ld at 700\n",
                lit_pixels(none_150), lit_pixels(none_700));
    EXPECT_GT(lit_pixels(black_700), 0) << "nothing drawn at all";
    EXPECT_TRUE(none_150 == black_150) << "frame 150 differs from the one on black";
    EXPECT_TRUE(none_700 == black_700) << "frame 700 differs from the one on black";
}

// The BMP at `path` written again as 32 bits, its colours unchanged, with a partial alpha
// channel in the fourth byte.
void rewrite_as_32_bits(const std::string &path) {
    SDL_Surface *s = SDL_LoadBMP(path.c_str());
    ASSERT_NE(s, nullptr) << path;
    bytes pixels;
    for (int y = s->h - 1; y >= 0; --y)
        for (int x = 0; x < s->w; ++x) {
            Uint32 v = 0;
            std::memcpy(
                &v, static_cast<Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                s->format->BytesPerPixel);
            Uint8 r, g, b;
            SDL_GetRGB(v, s->format, &r, &g, &b);
            pixels.insert(pixels.end(), {b, g, r, static_cast<Uint8>(x * 5 + y * 3)});
        }
    bmp_header h;
    h.width = s->w;
    h.height = s->h;
    h.bits = 32;
    write_file(path, bmp_file(h, pixels));
    SDL_FreeSurface(s);
}

// The first slide stored in 32 bits with an alpha channel fades as the shipped 24-bit one:
// frames early in its fade-in and at its peak are the same, byte for byte.
TEST(CaptureTool, A32BitSlideWithAlphaFadesAsTheSamePicture) {
    NEED_PICTURES();
    temp_folder t("capture-test");
    fs::create_directories(t.path + "/alpha");
    fs::copy(fs::path(SOURCE_DIR) / "res", t.path + "/alpha/res", fs::copy_options::recursive);
    ASSERT_NO_FATAL_FAILURE(rewrite_as_32_bits(t.path + "/alpha/res/sl0.dat"));
    for (const char *frame : {"290", "529"}) {
        const std::string frames = std::string("--frames ") + frame + "-" + frame;
        result shipped = capture(frames + " --out '" + t.path + "/shipped'");
        result alpha = capture(frames + " --out shots", t.path + "/alpha");
        ASSERT_EQ(shipped.code, 0) << shipped.err;
        ASSERT_EQ(alpha.code, 0) << alpha.err;
        const std::string name = std::string("frame000") + frame + ".bmp";
        const bytes expected = read_file(t.path + "/shipped/" + name);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(read_file(t.path + "/alpha/shots/" + name) == expected) << "frame " << frame;
    }
}

// One number or word per line from ffprobe for the given stream entries.
std::string probe(const fs::path &file, const std::string &stream, const std::string &entries) {
    result r =
        run("ffprobe -v error -count_frames -select_streams " + stream +
            " -show_entries stream=" + entries + " -of default=nw=1:nk=1 '" + file.string() + "'");
    return r.out;
}

std::vector<short> decoded_sound(const fs::path &file) {
    const std::string raw = run("ffmpeg -v error -i '" + file.string() + "' -vn -f s16le -").out;
    std::vector<short> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

TEST(CaptureTool, VideoHasItsSizeFramesRateAndSound) {
    NEED_MEDIA();
    temp_folder t("capture-test");
    const fs::path video = t.path + "/short.mp4";
    result r = capture("--video '" + video.string() + "' --seconds 3 --scale 2");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(probe(video, "v:0", "codec_name,width,height,r_frame_rate,nb_read_frames"),
              "h264\n640\n480\n25/1\n75\n");
    const std::string audio = probe(video, "a:0", "codec_name,sample_rate");
    EXPECT_EQ(audio.substr(0, 4), "aac\n") << audio;
    const int rate = std::atoi(audio.c_str() + 4);
    EXPECT_GE(rate, 8000) << audio;

    const std::vector<short> sound = decoded_sound(video);
    const double seconds = sound.size() / 2.0 / rate;
    EXPECT_NEAR(seconds, 3.0, 0.05);
    double sum = 0;
    for (short s : sound)
        sum += double(s) * s;
    EXPECT_GT(std::sqrt(sum / (sound.empty() ? 1 : sound.size())), 100.0) << "the sound is silent";
}

TEST(CaptureTool, LosslessVideoHoldsTheFramesPixelForPixelAndExactSound) {
    NEED_MEDIA();
    temp_folder t("capture-test");
    const fs::path video = t.path + "/exact.mkv";
    result r = capture("--video '" + video.string() + "' --seconds 1 --scale 2 --lossless");
    ASSERT_EQ(r.code, 0) << r.err;
    r = capture("--frames 1-25 --out '" + t.path + "/shots'");
    ASSERT_EQ(r.code, 0) << r.err;

    const std::string raw =
        run("ffmpeg -v error -i '" + video.string() + "' -f rawvideo -pix_fmt rgb24 -").out;
    ASSERT_EQ(raw.size(), 25u * 640 * 480 * 3) << "not 25 frames of 640x480";
    for (int frame = 1; frame <= 25; ++frame) {
        char name[32];
        std::snprintf(name, sizeof name, "frame%06d.bmp", frame);
        const auto rgb = read_bmp(t.path + "/shots/" + name);
        ASSERT_EQ(rgb.size(), 320u * 240 * 3);
        const unsigned char *v =
            reinterpret_cast<const unsigned char *>(raw.data()) + (frame - 1) * 640 * 480 * 3;
        int differing = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                differing +=
                    std::memcmp(v + (y * 640 + x) * 3, &rgb[(y / 2 * 320 + x / 2) * 3], 3) != 0;
        EXPECT_EQ(differing, 0) << "video frame " << frame;
    }

    const std::string audio = probe(video, "a:0", "codec_name,sample_rate");
    ASSERT_EQ(audio.substr(0, 5), "flac\n") << audio;
    const int rate = std::atoi(audio.c_str() + 5);
    EXPECT_EQ(decoded_sound(video).size(), 2u * rate) << "not exactly one second of stereo";
}

// Loudness in 1 ms steps of mono 16-bit sound at 22050 Hz, mean removed.
std::vector<double> envelope(const std::string &raw) {
    const size_t count = raw.size() / 2, window = 22;
    std::vector<double> e;
    for (size_t at = 0; at + window <= count; at += window) {
        double sum = 0;
        for (size_t i = at; i < at + window; ++i) {
            short v;
            std::memcpy(&v, raw.data() + 2 * i, 2);
            sum += double(v) * v;
        }
        e.push_back(std::sqrt(sum / window));
    }
    double mean = 0;
    for (double v : e)
        mean += v;
    mean /= e.empty() ? 1 : e.size();
    for (double &v : e)
        v -= mean;
    return e;
}

TEST(CaptureTool, SoundtrackStartsWithFrameOne) {
    NEED_MEDIA();
    // The module played by another player, openmpt123, from its start: the capture's sound
    // must line up with it, not lag by the buffers the mixer played before the music began.
    temp_folder t("capture-test");
    const fs::path video = t.path + "/sync.mkv";
    result r = capture("--video '" + video.string() + "' --seconds 4 --scale 1 --lossless");
    ASSERT_EQ(r.code, 0) << r.err;
    fs::copy_file(fs::path(SOURCE_DIR) / "res/theme.xm", t.path + "/theme.xm");
    r = run("openmpt123 -q --render --samplerate 22050 --channels 1 --no-float --end-time 5 "
            "--output-type wav theme.xm",
            t.path);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string ours =
        run("ffmpeg -v error -i '" + video.string() + "' -vn -ac 1 -ar 22050 -f s16le -").out;
    const std::string theirs =
        run("ffmpeg -v error -i theme.xm.wav -ac 1 -ar 22050 -f s16le -", t.path).out;
    const std::vector<double> a = envelope(ours), b = envelope(theirs);
    ASSERT_GT(a.size(), 3900u);
    ASSERT_GT(b.size(), 3900u);

    const int max_lag = 300, from = max_lag, to = 3900 - max_lag;
    int best_lag = 0;
    double best = -1e300;
    for (int lag = -max_lag; lag <= max_lag; ++lag) {
        double sum = 0;
        for (int i = from; i < to; ++i)
            sum += a[i] * b[i + lag];
        if (sum > best) {
            best = sum;
            best_lag = lag;
        }
    }
    std::printf("[ measured ] the capture's sound against openmpt123's: %d ms\n", best_lag);
    EXPECT_LE(std::abs(best_lag), 5) << "ms between the capture's sound and openmpt123's";
}

} // namespace
