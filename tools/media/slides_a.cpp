// Slides 0 to 7.
#include "media.h"
canvas draw_slide(int index) {
    canvas c = make_canvas(slide_width, slide_height, cycle_ramp(index / 16.0));
    return c;
}
