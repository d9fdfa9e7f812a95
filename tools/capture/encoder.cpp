// Starting ffmpeg with fork and exec, feeding it through a pipe and waiting for it.
#include "encoder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

bool find_program(const char *name, char *path, int path_size) {
    const char *dirs = std::getenv("PATH");
    if (!dirs)
        dirs = "/usr/local/bin:/usr/bin:/bin";
    while (*dirs) {
        const char *end = std::strchr(dirs, ':');
        const int length = end ? static_cast<int>(end - dirs) : static_cast<int>(std::strlen(dirs));
        if (length == 0)
            std::snprintf(path, path_size, "./%s", name);
        else
            std::snprintf(path, path_size, "%.*s/%s", length, dirs, name);
        struct stat st;
        if (stat(path, &st) == 0 && S_ISREG(st.st_mode) && access(path, X_OK) == 0)
            return true;
        if (!end)
            break;
        dirs = end + 1;
    }
    return false;
}

bool start_encoder(encoder *e, const char *const argv[], char *error, int error_size) {
    // A dying ffmpeg must turn into a failed write here, not kill this process.
    std::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    if (pipe(fds) != 0) {
        std::snprintf(error, error_size, "cannot make a pipe to ffmpeg: %s", std::strerror(errno));
        return false;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        std::snprintf(error, error_size, "cannot start ffmpeg: %s", std::strerror(errno));
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        std::signal(SIGPIPE, SIG_DFL);
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        close(fds[1]);
        execv(argv[0], const_cast<char *const *>(argv));
        std::fprintf(stderr, "intro-capture: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    close(fds[0]);
    e->pid = pid;
    e->input = fds[1];
    return true;
}

bool feed_encoder(encoder *e, const void *data, size_t size) {
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = write(e->input, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int finish_encoder(encoder *e) {
    if (e->input >= 0)
        close(e->input);
    e->input = -1;
    int status = 0;
    while (waitpid(e->pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
