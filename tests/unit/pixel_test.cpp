// Pixel plotting, clipping and colour packing on a 320x240 5-6-5 software surface.
#include <gtest/gtest.h>

#include "gfx/gfx.h"
#include "surfaces.h"

namespace {

class PixelTest : public ::testing::Test {
  protected:
    test_screen display;
};

TEST_F(PixelTest, CornersLandOnFirstAndLastElement) {
    put_pixel(0, 0, 0x1234);
    put_pixel(319, 239, 0x4321);
    EXPECT_EQ(display.pixel_at(0), 0x1234);
    EXPECT_EQ(display.pixel_at(76799), 0x4321);
    EXPECT_EQ(display.count_nonzero(), 2);
}

TEST_F(PixelTest, EverythingOutsideTheScreenIsDropped) {
    put_pixel(320, 0, 0xffff);
    put_pixel(0, 240, 0xffff);
    put_pixel(static_cast<unsigned>(-1), 5, 0xffff);
    put_pixel(5, -1, 0xffff);
    put_pixel_rgb(320, 10, 255, 255, 255);
    put_pixel_rgb(10, -1, 255, 255, 255);
    put_pixel_rgb(static_cast<unsigned>(-7), 10, 255, 255, 255);
    EXPECT_EQ(display.count_nonzero(), 0);
    EXPECT_TRUE(display.guard_intact());
}

TEST_F(PixelTest, ColourIsStoredAsItsLow16Bits) {
    put_pixel(10, 20, 0x12345);
    EXPECT_EQ(display.pixel(10, 20), 0x2345);
}

TEST_F(PixelTest, PixelFormatCacheComesFromThe565Format) {
    EXPECT_EQ(r_loss, 3);
    EXPECT_EQ(r_shift, 11);
    EXPECT_EQ(g_loss, 2);
    EXPECT_EQ(g_shift, 5);
    EXPECT_EQ(b_loss, 3);
}

TEST_F(PixelTest, MapRgbPacks565) {
    EXPECT_EQ(map_rgb(255, 255, 255), 0xFFFF);
    EXPECT_EQ(map_rgb(158, 28, 12), 0x98E1);
    EXPECT_EQ(map_rgb(208, 203, 87), 0xD64A);
    EXPECT_EQ(map_rgb(0, 0, 0), 0);
    EXPECT_EQ(map_rgb(255, 0, 0), 0xF800);
    EXPECT_EQ(map_rgb(0, 255, 0), 0x07E0);
    EXPECT_EQ(map_rgb(0, 0, 255), 0x001F);
}

TEST_F(PixelTest, MapRgbAgreesWithSdlOnEveryGrey) {
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(static_cast<Uint32>(map_rgb(v, v, v)),
                  SDL_MapRGB(display.surface->format, v, v, v))
            << v;
}

TEST_F(PixelTest, PutPixelRgbStoresThePackedColour) {
    put_pixel_rgb(100, 50, 208, 203, 87);
    EXPECT_EQ(display.pixel(100, 50), 0xD64A);
}

} // namespace
