// The capture tool's command line: what to render and where to put it.
#pragma once

enum capture_mode { capture_help, capture_frames, capture_video };

enum {
    capture_max_frame = 999999, // six digits in the file names
    capture_max_scale = 8,
};

struct capture_options {
    capture_mode mode;
    int first_frame, last_frame; // --frames FIRST-LAST, 1-based
    const char *out_dir;         // --out DIR
    const char *video_file;      // --video FILE
    int video_frames;            // --seconds S times 25
    int scale;                   // --scale N
    bool lossless;               // FFV1 and FLAC in Matroska instead of H.264 and AAC
};

// Fills `o` from the arguments. On a mistake returns false with one line in `error`.
bool parse_capture_options(int argc, char **argv, capture_options *o, char *error, int error_size);

// The text that --help prints.
extern const char capture_usage[];
