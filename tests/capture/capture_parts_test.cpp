// The capture tool's pieces: its command line, pixel enlargement, WAV header, progress
// line and the ffmpeg command it builds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture_jobs.h"
#include "capture_options.h"
#include "progress.h"
#include "scale.h"
#include "wav.h"

namespace {

struct parsed {
    bool ok;
    capture_options options;
    std::string error;
};

parsed parse(std::vector<const char *> args) {
    args.insert(args.begin(), "intro-capture");
    parsed p;
    char error[512] = "";
    p.ok = parse_capture_options(static_cast<int>(args.size()), const_cast<char **>(args.data()),
                                 &p.options, error, sizeof error);
    p.error = error;
    return p;
}

TEST(CaptureOptions, FrameRangeAndFolder) {
    parsed p = parse({"--frames", "6150-6200", "--out", "shots"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.mode, capture_frames);
    EXPECT_EQ(p.options.first_frame, 6150);
    EXPECT_EQ(p.options.last_frame, 6200);
    EXPECT_STREQ(p.options.out_dir, "shots");

    p = parse({"--out", "d", "--frames", "7"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.first_frame, 7);
    EXPECT_EQ(p.options.last_frame, 7);
}

TEST(CaptureOptions, VideoDefaultsAreOneMinuteAtThreeTimes) {
    parsed p = parse({"--video", "intro.mp4"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.mode, capture_video);
    EXPECT_STREQ(p.options.video_file, "intro.mp4");
    EXPECT_EQ(p.options.video_frames, 60 * 25);
    EXPECT_EQ(p.options.scale, 3);
    EXPECT_FALSE(p.options.lossless);
}

TEST(CaptureOptions, VideoLengthScaleAndLossless) {
    parsed p = parse({"--video", "a.mkv", "--seconds", "2.4", "--scale", "1", "--lossless"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.video_frames, 60); // 2.4 s x 25
    EXPECT_EQ(p.options.scale, 1);
    EXPECT_TRUE(p.options.lossless);
}

TEST(CaptureOptions, HelpWinsOverEverythingElse) {
    EXPECT_EQ(parse({"--help"}).options.mode, capture_help);
    EXPECT_EQ(parse({"--video", "x.mp4", "-h"}).options.mode, capture_help);
}

TEST(CaptureOptions, MistakesGetOneClearLine) {
    struct {
        std::vector<const char *> args;
        const char *says;
    } cases[] = {
        {{}, "nothing to do"},
        {{"--bogus"}, "unknown argument '--bogus'"},
        {{"--frames"}, "--frames needs a value"},
        {{"--frames", "0-5", "--out", "d"}, "--frames wants FIRST-LAST"},
        {{"--frames", "9-5", "--out", "d"}, "--frames wants FIRST-LAST"},
        {{"--frames", "1-1000000", "--out", "d"}, "--frames wants FIRST-LAST"},
        {{"--frames", "a-b", "--out", "d"}, "--frames wants FIRST-LAST"},
        {{"--frames", "1-5"}, "--frames needs --out DIR"},
        {{"--out", "d"}, "nothing to do"},
        {{"--frames", "1-2", "--out", "d", "--video", "v.mp4"}, "not both"},
        {{"--frames", "1-2", "--out", "d", "--scale", "2"}, "belong to --video"},
        {{"--video", "v.mp4", "--seconds", "0"}, "--seconds wants"},
        {{"--video", "v.mp4", "--seconds", "-3"}, "--seconds wants"},
        {{"--video", "v.mp4", "--seconds", "1.01"}, "whole frames"},
        {{"--video", "v.mp4", "--seconds", "ten"}, "--seconds wants"},
        {{"--video", "v.mp4", "--seconds", "10801"}, "at most 10800"},
        {{"--video", "v.mp4", "--scale", "9"}, "--scale wants a whole number from 1 to 8"},
        {{"--video", "v.mp4", "--scale", "2x"}, "--scale wants"},
        {{"--video", "v.mp4", "--lossless"}, "name the file .mkv"},
        {{"--video", "v.mp4", "--out", "d"}, "--out belongs to --frames"},
    };
    for (const auto &c : cases) {
        parsed p = parse(c.args);
        EXPECT_FALSE(p.ok) << c.says;
        EXPECT_NE(p.error.find(c.says), std::string::npos) << p.error;
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
    }
}

TEST(ScaleNearest, EveryPixelBecomesABlock) {
    // 2x2 picture with a padded row, enlarged 3 times.
    const unsigned char src[2 * 8] = {1, 2, 3, 4,  5,  6,  99, 99, //
                                      7, 8, 9, 10, 11, 12, 99, 99};
    unsigned char dst[6 * 6 * 3];
    std::memset(dst, 0xEE, sizeof dst);
    scale_nearest(src, 2, 2, 8, 3, dst);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const unsigned char *in = src + (y / 3) * 8 + (x / 3) * 3;
            const unsigned char *out = dst + (y * 6 + x) * 3;
            EXPECT_EQ(0, std::memcmp(in, out, 3)) << x << "," << y;
        }
}

TEST(ScaleNearest, ScaleOneCopiesRowsTightly) {
    const unsigned char src[2 * 4] = {1, 2, 3, 0, 4, 5, 6, 0};
    unsigned char dst[6];
    scale_nearest(src, 1, 2, 4, 1, dst);
    const unsigned char want[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(0, std::memcmp(dst, want, 6));
}

TEST(WavHeader, DescribesSixteenBitPcmAtTheGivenRate) {
    std::FILE *f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(write_wav_header(f, 22050, 2, 88200));
    unsigned char h[64];
    std::rewind(f);
    ASSERT_EQ(std::fread(h, 1, sizeof h, f), 44u);
    std::fclose(f);
    auto u32 = [&](int at) { return h[at] | h[at + 1] << 8 | h[at + 2] << 16 | h[at + 3] << 24; };
    auto u16 = [&](int at) { return h[at] | h[at + 1] << 8; };
    EXPECT_EQ(0, std::memcmp(h, "RIFF", 4));
    EXPECT_EQ(u32(4), 36 + 88200);
    EXPECT_EQ(0, std::memcmp(h + 8, "WAVEfmt ", 8));
    EXPECT_EQ(u32(16), 16);
    EXPECT_EQ(u16(20), 1);         // PCM
    EXPECT_EQ(u16(22), 2);         // channels
    EXPECT_EQ(u32(24), 22050);     // sample rate
    EXPECT_EQ(u32(28), 22050 * 4); // bytes per second
    EXPECT_EQ(u16(32), 4);         // bytes per sample frame
    EXPECT_EQ(u16(34), 16);        // bits per sample
    EXPECT_EQ(0, std::memcmp(h + 36, "data", 4));
    EXPECT_EQ(u32(40), 88200);
}

TEST(ProgressLine, SaysFramesSpeedAndTimeLeft) {
    char line[128];
    // 250 of 1500 frames in 5 s: 50 frames/s, twice real time, 25 s to go.
    format_progress(line, sizeof line, 250, 1500, 5.0);
    EXPECT_STREQ(line, "frame 250/1500  16%  50.0 frames/s  2.00x real time  0:25 left");
    format_progress(line, sizeof line, 0, 1500, 0.0);
    EXPECT_STREQ(line, "frame 0/1500   0%");
}

std::string joined(const video_args &a) {
    std::string s;
    for (int i = 0; a.argv[i]; ++i)
        s += std::string(i ? " " : "") + a.argv[i];
    return s;
}

TEST(VideoArgs, RawFramesOfTheScaledSizeAtTwentyFivePerSecond) {
    capture_options o = parse({"--video", "out/intro.mp4"}).options;
    video_args a;
    make_video_args(&a, &o, "/usr/bin/ffmpeg", "/tmp/x/soundtrack.wav");
    const std::string s = joined(a);
    EXPECT_EQ(std::string(a.argv[0]), "/usr/bin/ffmpeg");
    EXPECT_NE(s.find("-f rawvideo -pix_fmt rgb24 -s 960x720 -r 25 -i - -i /tmp/x/soundtrack.wav"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("-c:v libx264"), std::string::npos) << s;
    EXPECT_NE(s.find("-tune animation"), std::string::npos) << s;
    EXPECT_NE(s.find("format=yuv420p"), std::string::npos) << s;
    EXPECT_NE(s.find("-c:a aac"), std::string::npos) << s;
    EXPECT_NE(s.find("+faststart"), std::string::npos) << s;
    EXPECT_EQ(s.substr(s.size() - 14), " out/intro.mp4") << s; // the output comes last
}

TEST(VideoArgs, LosslessIsFfv1AndFlac) {
    capture_options o = parse({"--video", "a.mkv", "--scale", "2", "--lossless"}).options;
    video_args a;
    make_video_args(&a, &o, "ffmpeg", "s.wav");
    const std::string s = joined(a);
    EXPECT_NE(s.find("-s 640x480"), std::string::npos) << s;
    EXPECT_NE(s.find("-c:v ffv1"), std::string::npos) << s;
    EXPECT_NE(s.find("-c:a flac"), std::string::npos) << s;
    EXPECT_EQ(s.find("libx264"), std::string::npos) << s;
    EXPECT_EQ(s.find("faststart"), std::string::npos) << s;
}

} // namespace
