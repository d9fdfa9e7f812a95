// Reading the capture tool's command line into capture_options.
#include "capture_options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "intro/screen_sound_media.h"

const char capture_usage[] =
    "Usage: intro-capture --frames FIRST-LAST --out DIR\n"
    "       intro-capture --video FILE [--seconds S] [--scale N] [--lossless]\n"
    "\n"
    "Renders the intro offline, frame by frame exactly as the intro draws them, at 25\n"
    "frames per second. Run it from the folder that holds res/; it needs no display and\n"
    "no sound device.\n"
    "\n"
    "  --frames FIRST-LAST  write frames FIRST to LAST (1 is the first frame; a single\n"
    "                       number is one frame) as DIR/frameNNNNNN.bmp, 24-bit 320x240\n"
    "  --out DIR            the folder for the frames; created if it does not exist\n"
    "  --video FILE         write the first S seconds as a video with the soundtrack,\n"
    "                       encoded by ffmpeg: H.264 and AAC (e.g. FILE.mp4)\n"
    "  --seconds S          length of the video in seconds (default 60; S x 25 frames)\n"
    "  --scale N            enlarge every pixel N times, 1 to 8 (default 3: 960x720)\n"
    "  --lossless           FFV1 video and FLAC sound in Matroska (FILE must end .mkv)\n"
    "  --help               show this text\n"
    "\n"
    "Example: intro-capture --video intro.mp4 --seconds 60 --scale 3\n";

// A whole decimal number within [low, high], nothing else in the text.
static bool read_int(const char *text, long low, long high, int *value) {
    if (!text || !*text || *text == '-' || *text == '+')
        return false;
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno || *end || v < low || v > high)
        return false;
    *value = static_cast<int>(v);
    return true;
}

static bool fail(char *error, int error_size, const char *format, const char *detail) {
    std::snprintf(error, error_size, format, detail);
    return false;
}

static bool read_frame_range(const char *text, capture_options *o) {
    char first[16], last[16];
    const char *dash = std::strchr(text, '-');
    if (!dash) {
        if (!read_int(text, 1, capture_max_frame, &o->first_frame))
            return false;
        o->last_frame = o->first_frame;
        return true;
    }
    const size_t first_length = static_cast<size_t>(dash - text);
    if (first_length >= sizeof first || std::strlen(dash + 1) >= sizeof last)
        return false;
    std::memcpy(first, text, first_length);
    first[first_length] = '\0';
    std::strcpy(last, dash + 1);
    return read_int(first, 1, capture_max_frame, &o->first_frame) &&
           read_int(last, 1, capture_max_frame, &o->last_frame) && o->first_frame <= o->last_frame;
}

// Seconds as a positive decimal that makes a whole number of frames, up to three hours
// (the soundtrack's WAV file must stay under 4 GB).
static bool read_seconds(const char *text, int *frames) {
    if (!text || !*text || *text == '-' || *text == '+')
        return false;
    char *end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text, &end);
    if (errno || *end || !(seconds > 0) || seconds > 10800)
        return false;
    const double exact = seconds * frames_per_second;
    const long whole = std::lround(exact);
    if (whole < 1 || std::fabs(exact - whole) > 1e-6)
        return false;
    *frames = static_cast<int>(whole);
    return true;
}

bool parse_capture_options(int argc, char **argv, capture_options *o, char *error, int error_size) {
    *o = capture_options{};
    o->video_frames = 60 * frames_per_second;
    o->scale = 3;
    bool frames_given = false, seconds_given = false, scale_given = false;
    if (argc < 2)
        return fail(error, error_size, "%s",
                    "nothing to do: give --frames or --video (see --help)");

    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            o->mode = capture_help;
            return true;
        }
        if (std::strcmp(arg, "--lossless") == 0) {
            o->lossless = true;
            continue;
        }
        const bool takes_value =
            std::strcmp(arg, "--frames") == 0 || std::strcmp(arg, "--out") == 0 ||
            std::strcmp(arg, "--video") == 0 || std::strcmp(arg, "--seconds") == 0 ||
            std::strcmp(arg, "--scale") == 0;
        if (!takes_value)
            return fail(error, error_size, "unknown argument '%s' (see --help)", arg);
        if (i + 1 >= argc || argv[i + 1][0] == '\0')
            return fail(error, error_size, "%s needs a value (see --help)", arg);
        const char *value = argv[++i];
        if (std::strcmp(arg, "--frames") == 0) {
            if (!read_frame_range(value, o))
                return fail(error, error_size,
                            "--frames wants FIRST-LAST with 1 <= FIRST <= LAST <= 999999, "
                            "not '%s'",
                            value);
            frames_given = true;
        } else if (std::strcmp(arg, "--out") == 0) {
            o->out_dir = value;
        } else if (std::strcmp(arg, "--video") == 0) {
            o->video_file = value;
        } else if (std::strcmp(arg, "--seconds") == 0) {
            if (!read_seconds(value, &o->video_frames))
                return fail(error, error_size,
                            "--seconds wants a positive number of seconds, at most 10800, "
                            "that makes whole frames at 25 per second, not '%s'",
                            value);
            seconds_given = true;
        } else {
            if (!read_int(value, 1, capture_max_scale, &o->scale))
                return fail(error, error_size, "--scale wants a whole number from 1 to 8, not '%s'",
                            value);
            scale_given = true;
        }
    }

    if (frames_given && o->video_file)
        return fail(error, error_size, "%s", "give either --frames or --video, not both");
    if (frames_given) {
        if (!o->out_dir)
            return fail(error, error_size, "%s", "--frames needs --out DIR");
        if (seconds_given || scale_given || o->lossless)
            return fail(error, error_size, "%s",
                        "--seconds, --scale and --lossless belong to --video");
        o->mode = capture_frames;
        return true;
    }
    if (o->video_file) {
        if (o->out_dir)
            return fail(error, error_size, "%s", "--out belongs to --frames");
        if (o->lossless) {
            const char *dot = std::strrchr(o->video_file, '.');
            if (!dot || std::strcmp(dot, ".mkv") != 0)
                return fail(error, error_size,
                            "--lossless writes Matroska: name the file .mkv, not '%s'",
                            o->video_file);
        }
        o->mode = capture_video;
        return true;
    }
    return fail(error, error_size, "%s", "nothing to do: give --frames or --video (see --help)");
}
