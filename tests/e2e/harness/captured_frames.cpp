// Grabbed screens against intro-capture's frames (see captured_frames.h).
#include "captured_frames.h"

#include <cstdio>

#include "process.h"
#include "screen.h"

namespace e2e {

int last_possible_frame(double started) {
    return static_cast<int>((now_s() - started) * 1000 / frame_pause_ms) + 2;
}

std::vector<int> match_captured_frames(const std::string &capture, const std::string &media_folder,
                                       int last,
                                       const std::vector<std::vector<std::uint16_t>> &shots,
                                       const std::string &folder, std::string *faults,
                                       frame_view view) {
    std::vector<int> matched(shots.size(), 0);
    const std::string frames = folder + "/frames";
    const std::string command = "cd '" + media_folder + "' && '" + capture + "' --frames 1-" +
                                std::to_string(last) + " --out '" + frames + "' >/dev/null";
    if (run(command) != 0) {
        *faults += "failed: " + command + "\n";
        return matched;
    }
    std::vector<long> closest(shots.size(), -1);
    for (int frame = 1; frame <= last; ++frame) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame%06d.bmp", frame);
        int w = 0, h = 0;
        std::vector<std::uint16_t> captured = bmp_as_565(frames + name, &w, &h);
        if (captured.size() != static_cast<size_t>(width * height)) {
            *faults += frames + name + " is not a 320x240 picture\n";
            return matched;
        }
        if (view)
            captured = view(captured);
        for (size_t s = 0; s < shots.size(); ++s) {
            const long d = differences(shots[s], captured);
            if (closest[s] < 0 || d < closest[s])
                closest[s] = d;
            if (d == 0 && matched[s])
                *faults += "screen " + std::to_string(s) + " is frames " +
                           std::to_string(matched[s]) + " and " + std::to_string(frame) + "\n";
            if (d == 0)
                matched[s] = frame;
        }
    }
    for (size_t s = 0; s < shots.size(); ++s)
        if (!matched[s]) {
            const std::string picture = folder + "-screen" + std::to_string(s) + ".ppm";
            write_ppm(picture, shots[s]);
            *faults += "screen " + std::to_string(s) + " (" + picture +
                       ") is none of frames 1 to " + std::to_string(last) +
                       "; the closest differs in " + std::to_string(closest[s]) + " pixels\n";
        }
    return matched;
}

} // namespace e2e
