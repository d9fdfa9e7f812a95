// A look through an XM module's structure before the mixer is trusted with it.
#pragma once

#include <cstddef>

// Reads the file and says whether it is a whole XM module: the magic, a song header of
// sane size and counts (1..256 orders, 1..64 channels, at most 256 patterns and 128
// instruments), and every pattern, instrument, sample header and sample's data lying
// inside the file. On refusal writes the reason into `why` and returns false.
bool check_module(const char *path, char *why, std::size_t why_size);

// The same on bytes in memory.
bool check_module_bytes(const unsigned char *data, std::size_t size, char *why,
                        std::size_t why_size);
