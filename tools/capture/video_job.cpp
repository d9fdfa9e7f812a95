// --video: renders the soundtrack to a temporary WAV, then draws the frames, enlarges them
// and pipes them to ffmpeg, which muxes picture and sound.
#include "capture_jobs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

#include "encoder.h"
#include "gfx/gfx.h"
#include "interrupts.h"
#include "intro/screen_sound_media.h"
#include "offscreen.h"
#include "progress.h"
#include "scale.h"
#include "soundtrack.h"

static bool ends_with(const char *text, const char *tail) {
    const size_t n = std::strlen(text), m = std::strlen(tail);
    return n >= m && std::strcmp(text + n - m, tail) == 0;
}

void make_video_args(video_args *a, const capture_options *o, const char *ffmpeg, const char *wav) {
    std::snprintf(a->size, sizeof a->size, "%dx%d", screen_width * o->scale,
                  screen_height * o->scale);
    int n = 0;
    auto add = [&](const char *arg) { a->argv[n++] = arg; };
    for (const char *arg : {ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-y", "-f",
                            "rawvideo", "-pix_fmt", "rgb24", "-s"})
        add(arg);
    add(a->size);
    std::snprintf(a->rate, sizeof a->rate, "%d", frames_per_second);
    add("-r");
    add(a->rate);
    for (const char *arg : {"-i", "-", "-i"})
        add(arg);
    add(wav);
    for (const char *arg : {"-map", "0:v:0", "-map", "1:a:0"})
        add(arg);
    if (o->lossless) {
        for (const char *arg : {"-c:v", "ffv1", "-level", "3", "-pix_fmt", "bgr0", "-c:a", "flac"})
            add(arg);
    } else {
        // Full-resolution colour would be sharper still, but 4:2:0 is what every player
        // takes; with each pixel enlarged to a block the loss stays small. The colour
        // conversion is BT.709 and says so, so players don't guess.
        for (const char *arg : {"-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p"})
            add(arg);
        for (const char *arg : {"-c:v", "libx264", "-preset", "veryfast", "-tune", "animation"})
            add(arg);
        for (const char *arg : {"-crf", "18", "-color_primaries", "bt709", "-color_trc", "bt709"})
            add(arg);
        for (const char *arg : {"-colorspace", "bt709", "-c:a", "aac", "-b:a", "128k"})
            add(arg);
        if (ends_with(o->video_file, ".mp4") || ends_with(o->video_file, ".m4v") ||
            ends_with(o->video_file, ".mov"))
            for (const char *arg : {"-movflags", "+faststart"})
                add(arg);
    }
    add(o->video_file);
    a->argv[n] = nullptr;
}

static int fail(const char *line) {
    std::fprintf(stderr, "intro-capture: %s\n", line);
    return 1;
}

// Enlarged frames of up to 8x: 2560 x 1920 pixels.
static unsigned char
    scaled[screen_width * capture_max_scale * screen_height * capture_max_scale * 3];

static int encode_frames(const capture_options *o, offscreen_intro *intro, encoder *e) {
    const size_t frame_bytes =
        static_cast<size_t>(screen_width) * o->scale * screen_height * o->scale * 3;
    progress bar;
    progress_start(&bar, o->video_frames);
    bool fed = true;
    while (fed && !capture_interrupted && intro->frame < o->video_frames) {
        draw_next_frame(intro);
        convert_frame(intro);
        const unsigned char *pixels = static_cast<const unsigned char *>(intro->rgb->pixels);
        if (o->scale == 1 && intro->rgb->pitch == screen_width * 3) {
            fed = feed_encoder(e, pixels, frame_bytes);
        } else {
            scale_nearest(pixels, screen_width, screen_height, intro->rgb->pitch, o->scale, scaled);
            fed = feed_encoder(e, scaled, frame_bytes);
        }
        progress_update(&bar, intro->frame);
    }
    progress_end(&bar);
    const int code = finish_encoder(e);
    if (capture_interrupted) {
        fail("interrupted; the unfinished video is removed");
        return 130;
    }
    if (!fed || code != 0) {
        char error[256];
        if (code < 0)
            std::snprintf(error, sizeof error, "ffmpeg was killed before the video was finished");
        else
            std::snprintf(error, sizeof error,
                          "ffmpeg failed (exit code %d) writing %s; its message is above", code,
                          o->video_file);
        return fail(error);
    }
    return 0;
}

int capture_video_file(const capture_options *o) {
    char error[512];
    char ffmpeg[4096];
    if (!find_program("ffmpeg", ffmpeg, sizeof ffmpeg))
        return fail("ffmpeg not found in PATH; install Debian's ffmpeg package");
    for (const char *path : picture_files)
        if (!check_media_file(path, error, sizeof error))
            return fail(error);
    if (!check_media_file(music_file, error, sizeof error))
        return fail(error);

    // Find out now, not after minutes of rendering, that the video can't be written.
    std::FILE *probe = std::fopen(o->video_file, "wb");
    if (!probe) {
        std::snprintf(error, sizeof error, "cannot write %s: %s", o->video_file,
                      std::strerror(errno));
        return fail(error);
    }
    std::fclose(probe);

    char temp_dir[4096];
    const char *tmp = std::getenv("TMPDIR");
    std::snprintf(temp_dir, sizeof temp_dir, "%s/intro-capture-XXXXXX", tmp && *tmp ? tmp : "/tmp");
    if (!mkdtemp(temp_dir)) {
        std::snprintf(error, sizeof error, "cannot make a temporary folder in %s: %s",
                      tmp && *tmp ? tmp : "/tmp", std::strerror(errno));
        std::remove(o->video_file);
        return fail(error);
    }
    char wav[4200];
    std::snprintf(wav, sizeof wav, "%s/soundtrack.wav", temp_dir);

    int status = 0;
    static offscreen_intro intro;
    int rate = 0;
    const bool talk = isatty(STDERR_FILENO);
    if (talk)
        std::fprintf(stderr, "rendering the soundtrack...\n");
    if (!render_soundtrack(wav, o->video_frames, &rate, error, sizeof error)) {
        status = fail(capture_interrupted ? "interrupted" : error);
        if (capture_interrupted)
            status = 130;
    } else if (!open_offscreen_intro(&intro, error, sizeof error)) {
        status = fail(error);
    } else {
        if (talk)
            std::fprintf(stderr, "sound at %d Hz; drawing %d frames at %dx%d...\n", rate,
                         o->video_frames, screen_width * o->scale, screen_height * o->scale);
        video_args args;
        make_video_args(&args, o, ffmpeg, wav);
        encoder e;
        if (!start_encoder(&e, args.argv, error, sizeof error))
            status = fail(error);
        else
            status = encode_frames(o, &intro, &e);
    }
    close_offscreen_intro(&intro);
    std::remove(wav);
    rmdir(temp_dir);
    if (status != 0)
        std::remove(o->video_file);
    return status;
}
