// Screens grabbed from the running intro against the frames intro-capture renders offline
// from the same media.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// Every frame lasts at least frame_pause_ms: the last frame an intro started at `started` (now_s)
// can have drawn by now.
int last_possible_frame(double started);

// The screen as a display shows a frame: e.g. through a 5-5-5 visual.
using frame_view = std::vector<std::uint16_t> (*)(std::vector<std::uint16_t> frame);

// Which of the frames 1 to `last` that CAPTURE renders from MEDIA_FOLDER/res (into
// FOLDER/frames) each screen is, pixel for pixel, seen through `view` when given; 0 for
// none. What is wrong goes to *faults: a screen that is no frame (written to
// FOLDER-screenN.ppm, with how close the closest frame came), or that is two frames.
std::vector<int> match_captured_frames(const std::string &capture, const std::string &media_folder,
                                       int last,
                                       const std::vector<std::vector<std::uint16_t>> &shots,
                                       const std::string &folder, std::string *faults,
                                       frame_view view = nullptr);

} // namespace e2e
