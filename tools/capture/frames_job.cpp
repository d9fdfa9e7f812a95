// --frames: draws frames 1 to LAST and writes FIRST to LAST as numbered BMPs.
#include "capture_jobs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "interrupts.h"
#include "offscreen.h"
#include "progress.h"

static int fail(const char *line) {
    std::fprintf(stderr, "intro-capture: %s\n", line);
    return 1;
}

// Makes the output folder if needed and checks it takes files.
static bool prepare_out_dir(const char *dir, char *error, int error_size) {
    struct stat st;
    if (stat(dir, &st) != 0) {
        if (mkdir(dir, 0777) != 0) {
            std::snprintf(error, error_size, "cannot make the folder %s: %s", dir,
                          std::strerror(errno));
            return false;
        }
    } else if (!S_ISDIR(st.st_mode)) {
        std::snprintf(error, error_size, "%s is not a folder", dir);
        return false;
    }
    if (access(dir, W_OK | X_OK) != 0) {
        std::snprintf(error, error_size, "cannot write into %s: %s", dir, std::strerror(errno));
        return false;
    }
    return true;
}

int capture_frames_to_bmp(const capture_options *o) {
    char error[4096 + 512];
    static offscreen_intro intro; // the scroller's tables are too big to want on the stack
    if (!open_offscreen_intro(&intro, error, sizeof error)) {
        close_offscreen_intro(&intro);
        return fail(error);
    }
    if (!prepare_out_dir(o->out_dir, error, sizeof error)) {
        close_offscreen_intro(&intro);
        return fail(error);
    }

    progress bar;
    progress_start(&bar, o->last_frame);
    int status = 0;
    char path[4096];
    while (intro.frame < o->last_frame) {
        if (capture_interrupted) {
            progress_end(&bar);
            std::snprintf(error, sizeof error, "interrupted after frame %d", intro.frame);
            fail(error);
            status = 130;
            break;
        }
        draw_next_frame(&intro);
        if (intro.frame >= o->first_frame) {
            std::snprintf(path, sizeof path, "%s/frame%06d.bmp", o->out_dir, intro.frame);
            if (!save_frame_bmp(&intro, path)) {
                progress_end(&bar);
                std::snprintf(error, sizeof error, "cannot write %s: %s", path, SDL_GetError());
                status = fail(error);
                break;
            }
        }
        progress_update(&bar, intro.frame);
    }
    progress_end(&bar);
    close_offscreen_intro(&intro);
    return status;
}
