// A look through an XM module's structure before the mixer is trusted with it.
#pragma once

#include <cstddef>

// Reads the file and says whether the mixer may play it: an XM module of a version the
// player reads (1.02 to 1.04) that no other format's loader would claim, whole (every
// pattern, instrument, sample header and sample's data inside the file, sane counts; the
// file may end inside an instrument header no pattern plays), with samples stored as
// plain deltas (not ModPlug ADPCM nor Ogg Vorbis), and built so that the player reads only
// what it loaded: envelope sustain and loop points among the envelope's points, envelope
// positions among the 32 points the player keeps, no instrument without samples played
// where envelopes are on, pattern breaks and position jumps inside the song and the
// pattern they land in, sample maps, loops and offsets inside the samples, and no loop
// shorter than the mixer's step at the highest pitch the module can reach. On refusal
// writes the reason into `why` and returns false.
bool check_module(const char *path, char *why, std::size_t why_size);

// The same on bytes in memory.
bool check_module_bytes(const unsigned char *data, std::size_t size, char *why,
                        std::size_t why_size);
