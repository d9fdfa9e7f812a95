// A look at a media file before anything opens it: what it is, how big, whether it reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "screen_sound_media.h" // the limits the callers pass: picture_ and module_largest_file

// Says whether `path` names a regular file (a symbolic link to one will do) of at most
// `largest` bytes that this process may read. It never blocks: the type is looked at
// before the file is opened, so a FIFO, a socket, a device or a folder is never opened.
// On refusal writes the real reason into `why` (no such file, permission denied, what
// kind of file it is, too large ...) and returns false.
bool check_readable_file(const char *path, std::uintmax_t largest, char *why, std::size_t why_size);
