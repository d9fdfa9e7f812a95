// A one-line progress report, rewritten in place with a carriage return.
#include "progress.h"

#include <cstdio>
#include <ctime>
#include <unistd.h>

#include "intro/screen_sound_media.h"

double monotonic_seconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void format_progress(char *line, int size, int done, int total, double elapsed) {
    const double fps = elapsed > 0 ? done / elapsed : 0;
    const int percent = total > 0 ? static_cast<int>(100LL * done / total) : 100;
    if (fps <= 0) {
        std::snprintf(line, size, "frame %d/%d %3d%%", done, total, percent);
        return;
    }
    const int left = static_cast<int>((total - done) / fps + 0.5);
    std::snprintf(line, size, "frame %d/%d %3d%%  %.1f frames/s  %.2fx real time  %d:%02d left",
                  done, total, percent, fps, fps / frames_per_second, left / 60, left % 60);
}

void progress_start(progress *p, int total) {
    p->shown = isatty(STDERR_FILENO);
    p->total = total;
    p->start = monotonic_seconds();
    p->last_shown = -1;
}

void progress_update(progress *p, int done) {
    if (!p->shown)
        return;
    const double now = monotonic_seconds();
    if (done < p->total && now - p->last_shown < 0.2)
        return;
    p->last_shown = now;
    char line[128];
    format_progress(line, sizeof line, done, p->total, now - p->start);
    std::fprintf(stderr, "\r%s\033[K", line);
    std::fflush(stderr);
}

void progress_end(progress *p) {
    if (p->shown)
        std::fputc('\n', stderr);
    p->shown = false;
}
