// The intro's sound as SDL's disk audio driver recorded it: signed 16-bit samples in a raw
// file, read back.
#pragma once

#include <string>
#include <vector>

namespace e2e {

// Peak absolute value of the signed 16-bit samples in a raw file; -1 if unreadable.
int peak_amplitude(const std::string &path, long *sample_count);

// The peak absolute value in each block of `block` samples, in order; empty if unreadable.
std::vector<int> block_peaks(const std::string &path, long block);

} // namespace e2e
