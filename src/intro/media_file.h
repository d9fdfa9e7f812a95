// A look at a media file before anything opens it: what it is, how big, whether it reads.
#pragma once

#include <cstddef>
#include <cstdint>

// Says whether `path` names a regular file (a symbolic link to one will do) of at most
// `largest` bytes that this process may read. It never blocks: the type is looked at
// before the file is opened, so a FIFO, a socket, a device or a folder is never opened.
// On refusal writes the real reason into `why` (no such file, permission denied, what
// kind of file it is, too large ...) and returns false.
bool check_readable_file(const char *path, std::uintmax_t largest, char *why, std::size_t why_size);

// The largest files read at all. A picture: the biggest one accepted (1024x1024 at 32 bits,
// 4 MiB of pixels) with ample room for headers, palette and slack. A module: no XM worth
// playing comes near it; it bounds what the module check reads into memory.
enum { picture_largest_file = 16 << 20, module_largest_file = 64 << 20 };
