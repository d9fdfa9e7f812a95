// intro-capture: renders the intro offline into numbered BMP frames or a video with sound.
#include <cstdio>

#include "capture_jobs.h"
#include "interrupts.h"
#include "intro/platform/std_streams.h"

int main(int argc, char **argv) {
    keep_std_streams_open(); // so a frame file never lands on descriptor 1 or 2
    capture_options options;
    char error[512];
    if (!parse_capture_options(argc, argv, &options, error, sizeof error)) {
        std::fprintf(stderr, "intro-capture: %s\n", error);
        return 2;
    }
    switch (options.mode) {
    case capture_help:
        std::fputs(capture_usage, stdout);
        return 0;
    case capture_frames:
        catch_interrupts();
        return capture_frames_to_bmp(&options);
    case capture_video:
        catch_interrupts();
        return capture_video_file(&options);
    }
    return 2;
}
