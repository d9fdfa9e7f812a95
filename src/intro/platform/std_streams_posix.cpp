// The standard streams on POSIX systems.
#include "std_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

void keep_std_streams_open() {
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
