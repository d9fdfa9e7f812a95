// Standard streams on POSIX systems: the intro's messages go to stderr and nowhere else.
#include "std_streams.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

void keep_std_streams_open() {}

int hush_stderr() {
    std::fflush(stderr);
    const int saved = dup(2);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0)
        dup2(null, 2);
    if (null >= 0)
        close(null);
    return saved;
}

void restore_stderr(int saved) {
    if (saved < 0)
        return;
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
}

void show_start_failure(const char *) {}
