// Valid pictures in unusual layouts: the old OS/2 header, a palette claiming four billion
// colours, top-down rows, 32 and 8 bits, and the fuzzing seeds; each shows as the picture.
#include <gtest/gtest.h>

#include "media_fixtures.h"

namespace {

TEST(unusual_pictures, a_picture_with_the_old_os2_header_shows) {
    temp_folder dir;
    expect_loads_as_the_picture(dir.write("os2.dat", bmp_core_file(4, 3, 24, pixels24(false))));
}

// The loader reads the first 256 entries of a palette that claims 2^32 - 1 and seeks to
// the pixels: nothing is read that is not there.
TEST(unusual_pictures, a_palette_claiming_four_billion_colours_loads) {
    temp_folder dir;
    bytes huge_palette = picture8();
    for (int i = 0; i < 4; ++i)
        huge_palette[14 + 32 + i] = 0xFF; // colours used: 0xFFFFFFFF
    SDL_Surface *s = nullptr;
    EXPECT_EQ(load_and_capture(dir.write("palette.dat", huge_palette), &s), "");
    EXPECT_NE(s, nullptr);
    SDL_FreeSurface(s);
}

TEST(unusual_pictures, bottom_up_and_top_down_24_bit_pictures_show_the_same) {
    temp_folder dir;
    for (bool top_down : {false, true})
        expect_loads_as_the_picture(dir.write("p.dat", picture24(top_down)));
}

TEST(unusual_pictures, a_32_bit_picture_shows) {
    temp_folder dir;
    expect_loads_as_the_picture(dir.write("p.dat", picture32()));
}

TEST(unusual_pictures, an_8_bit_paletted_picture_shows) {
    temp_folder dir;
    expect_loads_as_the_picture(dir.write("p.dat", picture8()));
}

TEST(unusual_pictures, the_hand_made_fuzzing_seeds_all_load) {
    for (const char *name : {"pic8-palette.bmp", "pic16-565.bmp", "pic24-bottom-up.bmp",
                             "pic24-top-down.bmp", "pic32.bmp"}) {
        const std::string path = std::string("fuzz/corpus/") + name;
        SDL_Surface *s = nullptr;
        EXPECT_EQ(load_and_capture(path, &s), "") << path;
        EXPECT_NE(s, nullptr) << path;
        if (s) {
            EXPECT_EQ(s->w, 4);
            EXPECT_EQ(s->h, 3);
        }
        SDL_FreeSurface(s);
    }
}

} // namespace
