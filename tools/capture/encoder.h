// ffmpeg as a child process that reads raw frames from a pipe.
#pragma once

#include <cstddef>
#include <sys/types.h>

struct encoder {
    pid_t pid;
    int input; // write end of the pipe into ffmpeg's standard input
};

// Looks `name` up in PATH like a shell would; true if an executable file is found.
bool find_program(const char *name, char *path, int path_size);

// Starts `argv` (argv[0] a path) with its standard input from a pipe. On failure one
// line in `error`.
bool start_encoder(encoder *e, const char *const argv[], char *error, int error_size);

// Writes the whole buffer; false if the encoder has gone away.
bool feed_encoder(encoder *e, const void *data, size_t size);

// Closes the pipe and waits; returns the encoder's exit code, or -1 if a signal ended it.
int finish_encoder(encoder *e);
