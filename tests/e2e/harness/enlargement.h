// The intro's display on today's screens: enlarged by the layer below it into the middle of a
// larger screen, and what a sharp, centred enlargement looks like.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "screen.h"

namespace e2e {

struct intro_process;

struct screen_size {
    int width, height;
};

// Where the enlarged display lies: the largest whole-number enlargement that fits, centred.
struct placement {
    int scale, x, y;
};
placement whole_number_placement(int screen_width, int screen_height);

// The presenter widens each 5-6-5 level to 8 bits its own way, but always the same way: on
// a sharp screen every level of a channel shows as one shade. Blending neighbours (linear
// filtering) makes shades in between, several to a level.
struct shades {
    int red[32], green[64], blue[32];
    shades();
    bool one_per_level(std::uint32_t v);
};

// Everything wrong with one grab of the enlarged display, as text; empty when the border is
// black, every block one colour, every 5-6-5 level one shade and the rows above y = 90 the
// background's.
std::string enlargement_faults(const rgb_image &shot, const placement &p,
                               const std::vector<std::uint16_t> &background);

// A condition on the display shrunk back to 320x240 (shows_text, shows_slide).
using display_test = bool (*)(const std::vector<std::uint16_t> &display,
                              const std::vector<std::uint16_t> &background);

// Grabs the screen every 50 ms until it shows the display enlarged as `p` says without a
// fault and `wanted` (when given) holds; returns that display shrunk back to 320x240. If
// that does not happen within `timeout_s`, or `intro` ends first, returns an empty one, with
// what was wrong in *wrong and the last grab written to FOLDER-screen.ppm.
std::vector<std::uint16_t> wait_for_display(Display *d, intro_process *intro, const placement &p,
                                            const std::vector<std::uint16_t> &background,
                                            double timeout_s, const std::string &folder,
                                            std::string *wrong, display_test wanted = nullptr);

} // namespace e2e
