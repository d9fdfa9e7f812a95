// The progress line on stderr while frames render: frames done, speed, time left.
#pragma once

struct progress {
    bool shown;        // only when stderr is a terminal
    int total;         // frames to draw
    double start;      // seconds, monotonic
    double last_shown; // when the line was last rewritten
};

void progress_start(progress *p, int total);

// Rewrites the line at most five times a second, and always for the last frame.
void progress_update(progress *p, int done);

// Ends the line so later messages start on a fresh one.
void progress_end(progress *p);

// Frames per second so far and how many times faster than real time (25 frames/s).
void format_progress(char *line, int size, int done, int total, double elapsed);

double monotonic_seconds();
