// The two things the capture tool does: write frames as BMPs, or write a video.
#pragma once

#include "capture_options.h"

// Both print one line on stderr on failure and return the process's exit code.
int capture_frames_to_bmp(const capture_options *o);
int capture_video_file(const capture_options *o);

enum { video_args_max = 64 };

struct video_args {
    const char *argv[video_args_max]; // null-terminated, for execv
    char size[32];                    // "WxH", pointed to from argv
    char rate[8];                     // frames per second, pointed to from argv
};

// The ffmpeg command that reads raw rgb24 frames of the scaled size from its standard input
// and the soundtrack from `wav`, and writes the video `o->video_file`.
void make_video_args(video_args *a, const capture_options *o, const char *ffmpeg, const char *wav);
