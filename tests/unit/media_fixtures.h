// What the tests of the media loading share: a 4x3 test picture in several BMP layouts, the
// loading with what it says captured, and the intro's start-up run in a folder.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

#include "bmp_writer.h"
#include "files.h"

// The colours of the 4x3 test picture, top row first.
extern const unsigned char colours[3][4][3];

// A BMP with a 40-byte info header and `pixels` as given.
bytes make_bmp(std::int32_t width, std::int32_t height, unsigned bpp, const bytes &pixels,
               const bytes &palette = {}, std::uint32_t compression = 0, const bytes &masks = {});
// The test picture at 24 bits in file order (bottom-up or top-down), without a header.
bytes pixels24(bool top_down);
bytes picture24(bool top_down);
bytes picture32();
bytes picture8();
// A header claiming a size with only a few bytes of pixels behind it.
bytes claiming(std::int32_t width, std::int32_t height, unsigned bpp = 24);

// Loads through load_picture and returns what it wrote on stderr.
std::string load_and_capture(const std::string &path, SDL_Surface **out);
int line_count(const std::string &s);
// Expects a refusal: no surface, one line on stderr naming the file and the reason.
void expect_refused(const std::string &path, const std::string &reason);
// Expects the test picture, loaded without a word.
void expect_loads_as_the_picture(const std::string &path);

struct intro_pictures;
// Draws the intro's frames with `pictures` through two slides' turns on a test screen; true
// when the fader kept its timing and nothing was written past the screen's end.
bool frames_draw_within_the_screen(const intro_pictures *pictures);

// Runs the intro's own loading with the working directory in `dir`.
struct in_folder {
    char previous[4096];
    explicit in_folder(const std::string &dir);
    ~in_folder();
};
