// The intro's display on today's screens (see enlargement.h).
#include "enlargement.h"

#include <algorithm>
#include <iterator>
#include <sstream>

#include "process.h"

namespace e2e {

placement whole_number_placement(int screen_width, int screen_height) {
    const int scale = std::min(screen_width / width, screen_height / height);
    return {scale, (screen_width - scale * width) / 2, (screen_height - scale * height) / 2};
}

shades::shades() {
    std::fill(std::begin(red), std::end(red), -1);
    std::fill(std::begin(green), std::end(green), -1);
    std::fill(std::begin(blue), std::end(blue), -1);
}

static bool same_shade(int *seen, int v) {
    if (*seen < 0)
        *seen = v;
    return *seen == v;
}

bool shades::one_per_level(std::uint32_t v) {
    const int r = static_cast<int>(v >> 16), g = static_cast<int>(v >> 8 & 0xFF),
              b = static_cast<int>(v & 0xFF);
    return same_shade(&red[r >> 3], r) & same_shade(&green[g >> 2], g) &
           same_shade(&blue[b >> 3], b);
}

std::string enlargement_faults(const rgb_image &shot, const placement &p,
                               const std::vector<std::uint16_t> &background) {
    const int untouched_rows = 90; // the background rows that nothing else draws on
    std::ostringstream out;
    if (shot.width < p.x + p.scale * width || shot.height < p.y + p.scale * height)
        return "the screen (" + std::to_string(shot.width) + "x" + std::to_string(shot.height) +
               ") does not hold the enlarged display\n";
    shades seen;
    int reported = 0;
    auto fault = [&](int x, int y, const char *what) {
        if (reported++ < 5)
            out << "at (" << x << ", " << y << ") colour " << std::hex << shot.at(x, y) << std::dec
                << ": " << what << "\n";
    };
    const int right = p.x + p.scale * width, bottom = p.y + p.scale * height;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const bool inside = x >= p.x && x < right && y >= p.y && y < bottom;
            if (!inside) {
                if (shot.at(x, y) != 0)
                    fault(x, y, "the border around the picture is not black");
                continue;
            }
            const int sx = (x - p.x) / p.scale, sy = (y - p.y) / p.scale;
            const std::uint32_t corner = shot.at(p.x + sx * p.scale, p.y + sy * p.scale);
            if (shot.at(x, y) != corner)
                fault(x, y, "not the colour of the rest of its block");
            else if (!seen.one_per_level(shot.at(x, y)))
                fault(x, y, "a second shade of a 5-6-5 level (blurred?)");
            else if (sy < untouched_rows &&
                     narrow_565(shot.at(x, y)) != background[static_cast<size_t>(sy * width + sx)])
                fault(x, y, "not the background's pixel");
        }
    if (reported > 5)
        out << "... " << reported << " faults in all\n";
    return out.str();
}

std::vector<std::uint16_t> wait_for_display(Display *d, intro_process *intro, const placement &p,
                                            const std::vector<std::uint16_t> &background,
                                            double timeout_s, const std::string &folder,
                                            std::string *wrong, display_test wanted) {
    rgb_image shot;
    for (const double deadline = now_s() + timeout_s; now_s() < deadline; sleep_s(0.05)) {
        if (!intro_running(intro)) {
            *wrong = "it ended; stderr:\n" + intro_stderr(intro);
            return {};
        }
        // A grab may catch a frame half presented: only the last one must be right.
        shot = grab_screen_rgb(d);
        *wrong = enlargement_faults(shot, p, background);
        if (wrong->empty()) {
            std::vector<std::uint16_t> display = shrink_screen(shot, p.scale, p.x, p.y);
            if (!wanted || wanted(display, background))
                return display;
            *wrong = "the screen is right, but not yet what was waited for\n";
        }
    }
    if (write_ppm(folder + "-screen.ppm", shot))
        *wrong += "the last grab is " + folder + "-screen.ppm";
    return {};
}

} // namespace e2e
