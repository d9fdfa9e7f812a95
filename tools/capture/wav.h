// The header of a WAV file of 16-bit little-endian PCM.
#pragma once

#include <cstdio>

enum { wav_header_size = 44 };

// Writes the 44-byte header for `data_bytes` bytes of 16-bit samples at the file's current
// position; false on a write error.
bool write_wav_header(std::FILE *f, int rate, int channels, unsigned data_bytes);
