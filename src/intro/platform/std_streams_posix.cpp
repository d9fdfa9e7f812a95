// The standard streams on POSIX systems: the intro's messages go to stderr and nowhere else.
#include "std_streams.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

void keep_std_streams_open() {
    // A pipe whose reader has gone (`intro 2>&1 | head -1` once head has quit) would end
    // the intro with SIGPIPE at its next message; ignored, the write just fails. So does a
    // write to a broken X connection, which Xlib then reports as a lost display.
    signal(SIGPIPE, SIG_IGN);
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free descriptor is this one, since those below it are open by now.
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            dup2(null, fd);
            close(null);
        }
    }
}

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
