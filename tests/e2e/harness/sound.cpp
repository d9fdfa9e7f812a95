// The intro's recorded sound (see sound.h).
#include "sound.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace e2e {

// The signed 16-bit little-endian samples of a raw file; false if it cannot be read.
static bool read_samples(const std::string &path, std::vector<int> *samples) {
    std::ifstream in(path, std::ios::binary);
    unsigned char pair[2];
    while (in.read(reinterpret_cast<char *>(pair), 2))
        samples->push_back(static_cast<std::int16_t>(pair[0] | pair[1] << 8));
    return in.eof();
}

int peak_amplitude(const std::string &path, long *sample_count) {
    std::vector<int> samples;
    if (!read_samples(path, &samples))
        return -1;
    if (sample_count)
        *sample_count = static_cast<long>(samples.size());
    int peak = 0;
    for (int v : samples)
        peak = std::max(peak, std::abs(v));
    return peak;
}

std::vector<int> block_peaks(const std::string &path, long block) {
    std::vector<int> samples, peaks;
    read_samples(path, &samples);
    for (size_t i = 0; i < samples.size(); ++i) {
        if (i % static_cast<size_t>(block) == 0)
            peaks.push_back(0);
        peaks.back() = std::max(peaks.back(), std::abs(samples[i]));
    }
    return peaks;
}

} // namespace e2e
