// Text drawing at normal and double height: which pixels a string inks, clipping on every
// side, and which glyph of the font a byte selects.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "font/scroll_font.h"
#include "gfx/gfx.h"
#include "surfaces.h"

namespace {

const int ink = 0x07E0;

// The scroll font's `A` as it must appear at (0, 0): columns x = 0..8, rows 0..15.
const char *const a_picture[16] = {
    ".........", ".........", ".........", "..#####..", "..##..#..", "..##..#..",
    ".#######.", ".###...#.", ".###...#.", ".###...#.", ".###...#.", ".###...#.",
    ".........", ".........", ".........", ".........",
};

// A private font: every byte of glyph c is zero unless a test sets it.
struct test_font {
    unsigned char bytes[4096];
    test_font() { std::memset(bytes, 0, sizeof bytes); }
    void set_glyph(int c, unsigned char value) { std::memset(bytes + c * 16, value, 16); }
    void set_row(int c, int r, unsigned char value) { bytes[c * 16 + r] = value; }
};

class TextTest : public ::testing::Test {
  protected:
    test_screen display;

    // Number of inked pixels in the rectangle [x0, x1] x [y0, y1].
    int count_in(int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                n += display.pixel(x, y) != 0;
        return n;
    }
    // True when exactly the rectangle [x0, x1] x [y0, y1] is inked, in colour `ink`.
    bool only_block(int x0, int y0, int x1, int y1) const {
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                const bool inside = x >= x0 && x <= x1 && y >= y0 && y <= y1;
                if (display.pixel(x, y) != (inside ? ink : 0))
                    return false;
            }
        return display.guard_intact();
    }
};

TEST_F(TextTest, EmptyStringDrawsNothing) {
    draw_text(10, 10, "", scroll_font, ink);
    draw_text_tall(10, 10, "", scroll_font, ink);
    EXPECT_EQ(display.count_nonzero(), 0);
}

TEST_F(TextTest, LetterAInksColumnsOneToSevenAsItsBitsSay) {
    draw_text(0, 0, "A", scroll_font, ink);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(display.pixel(x, y), a_picture[y][x] == '#' ? ink : 0)
                << "x " << x << " y " << y;
    EXPECT_EQ(display.count_nonzero(), 5 + 3 + 3 + 7 + 5 * 4);
}

TEST_F(TextTest, OnlyInkedPixelsAreWrittenSoTheGroundShowsThrough) {
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 9; ++x)
            put_pixel(x, y, 0x1111);
    draw_text(0, 0, "A", scroll_font, ink);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(display.pixel(x, y), a_picture[y][x] == '#' ? ink : 0x1111);
}

TEST_F(TextTest, CharactersAdvanceEightPixels) {
    draw_text(0, 0, "AA", scroll_font, ink);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(display.pixel(8 + x, y), a_picture[y][x] == '#' ? ink : 0);
    EXPECT_EQ(display.count_nonzero(), 2 * (5 + 3 + 3 + 7 + 5 * 4));
}

TEST_F(TextTest, RowFifteenAndBitZeroNeverAppear) {
    test_font font;
    font.set_glyph('x', 0x01); // only bit 0 in every row
    font.set_row('y', 15, 0xff);
    draw_text(20, 20, "xy", font.bytes, ink);
    draw_text_tall(20, 60, "xy", font.bytes, ink);
    EXPECT_EQ(display.count_nonzero(), 0);
}

TEST_F(TextTest, FullBlockIsSevenByFifteenOnePixelRightOfTheCell) {
    draw_text(40, 50, "\xdb", scroll_font, ink);
    EXPECT_TRUE(only_block(41, 50, 47, 64));
}

TEST_F(TextTest, TallFullBlockIsSevenByThirty) {
    draw_text_tall(40, 50, "\xdb", scroll_font, ink);
    EXPECT_TRUE(only_block(41, 50, 47, 79));
}

TEST_F(TextTest, TallVariantDrawsGlyphRowHalfOfEachPixelRow) {
    // Glyph row r holds a pattern that is different for every r: bits 1 to 4 count r + 1.
    test_font font;
    for (int r = 0; r < 15; ++r)
        font.set_row('z', r, static_cast<unsigned char>((r + 1) << 1));
    font.set_row('z', 15, 0xfe);
    draw_text_tall(100, 100, "z", font.bytes, ink);
    for (int y = 0; y < 32; ++y) {
        const int expected_row = y < 30 ? ((y / 2 + 1) << 1) : 0;
        for (int x = 0; x < 9; ++x) {
            const int bit = 8 - x;
            const bool set = x >= 1 && x <= 7 && (expected_row >> bit & 1);
            EXPECT_EQ(display.pixel(100 + x, 100 + y), set ? ink : 0) << "x " << x << " y " << y;
        }
    }
}

TEST_F(TextTest, StringsOffTheLeftEdgeAreClipped) {
    draw_text(-7, 10, "\xdb", scroll_font, ink); // inks x = -6..0
    EXPECT_TRUE(only_block(0, 10, 0, 24));
    draw_text(-8, 10, "\xdb", scroll_font, ink); // inks x = -7..-1
    EXPECT_TRUE(only_block(0, 10, 0, 24));
    draw_text(-1000, 10, "\xdb\xdb", scroll_font, ink);
    EXPECT_TRUE(only_block(0, 10, 0, 24));
}

TEST_F(TextTest, StringPartlyOffTheLeftShowsItsVisiblePart) {
    draw_text(-12, 30, "\xdb\xdb", scroll_font, ink); // inks -11..-5 and -3..3
    EXPECT_TRUE(only_block(0, 30, 3, 44));
}

TEST_F(TextTest, StringsOffTheTopAreClipped) {
    draw_text(10, -10, "\xdb", scroll_font, ink);
    EXPECT_TRUE(only_block(11, 0, 17, 4));
    draw_text(10, -15, "\xdb", scroll_font, ink);
    draw_text_tall(10, -30, "\xdb", scroll_font, ink);
    EXPECT_TRUE(only_block(11, 0, 17, 4));
}

TEST_F(TextTest, TallStringOffTheTopKeepsItsLowerRows) {
    draw_text_tall(10, -25, "\xdb", scroll_font, ink); // rows -25..4
    EXPECT_TRUE(only_block(11, 0, 17, 4));
}

TEST_F(TextTest, StringsOffTheRightDoNotWrapIntoTheNextRow) {
    draw_text(316, 100, "\xdb\xdb", scroll_font, ink); // inks 317..323 and 325..331
    EXPECT_TRUE(only_block(317, 100, 319, 114));
    draw_text(320, 100, "\xdb", scroll_font, ink);
    draw_text(319, 100, "\xdb", scroll_font, ink); // first inked column is 320
    EXPECT_TRUE(only_block(317, 100, 319, 114));
}

TEST_F(TextTest, StringsOffTheBottomLeaveTheGuardRowsIntact) {
    draw_text(10, 230, "\xdb", scroll_font, ink);
    EXPECT_TRUE(only_block(11, 230, 17, 239));
    draw_text_tall(10, 225, "\xdb", scroll_font, ink);
    draw_text(10, 240, "\xdb", scroll_font, ink);
    EXPECT_TRUE(only_block(11, 225, 17, 239));
    draw_text_tall(310, 235, "\xdb\xdb\xdb", scroll_font, ink);
    EXPECT_TRUE(display.guard_intact());
    EXPECT_EQ(count_in(311, 235, 319, 239), 5 * 7 + 5 * 1);
}

TEST_F(TextTest, FortyFirstCharacterFallsEntirelyOffTheRight) {
    test_font font;
    font.set_glyph('b', 0xff);
    // 40 blank characters and a full block: the block's cell starts at x = 320.
    std::string line(40, 'a');
    line += 'b';
    draw_text(0, 100, line.c_str(), font.bytes, ink);
    draw_text(0, 225, line.c_str(), font.bytes, ink);
    EXPECT_EQ(display.count_nonzero(), 0);
    EXPECT_TRUE(display.guard_intact());
}

TEST_F(TextTest, FortyCharacterLineFillsTheWidth) {
    const std::string line(40, '\xdb');
    draw_text(0, 225, line.c_str(), scroll_font, ink);
    for (int x = 0; x < 320; ++x)
        EXPECT_EQ(display.pixel(x, 230), x % 8 ? ink : 0) << x;
    EXPECT_EQ(display.count_nonzero(), 40 * 7 * 15);
}

// Each glyph c of this font spells c in its row 0 (bits 7..1 from the low 7 bits of c)
// and row 1 (bit 7 from bit 7 of c); the bytes around the font are all ink.
TEST_F(TextTest, EveryByteSelectsItsOwnGlyph) {
    static unsigned char memory[3 * 4096];
    std::memset(memory, 0xff, sizeof memory);
    unsigned char *font = memory + 4096;
    std::memset(font, 0, 4096);
    for (int c = 0; c < 256; ++c) {
        font[c * 16 + 0] = static_cast<unsigned char>((c & 0x7f) << 1);
        font[c * 16 + 1] = static_cast<unsigned char>(c & 0x80);
    }
    for (int c = 1; c < 256; ++c) {
        const char text[2] = {static_cast<char>(c), '\0'};
        draw_text(8, 8, text, font, ink);
        int read = 0;
        for (int bit = 0; bit < 7; ++bit) // bit m + 1 of row 0 sits at x = 8 + 7 - m
            read |= (display.pixel(8 + 7 - bit, 8) != 0) << bit;
        read |= (display.pixel(9, 9) != 0) << 7;
        EXPECT_EQ(read, c);
        EXPECT_EQ(count_in(0, 0, 319, 239), __builtin_popcount(c)) << c;
        for (int y = 8; y < 10; ++y)
            for (int x = 8; x < 17; ++x)
                put_pixel(x, y, 0);
    }
}

} // namespace
