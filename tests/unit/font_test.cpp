// The scroll font: its telling glyphs row for row, where its glyphs may put ink, which glyphs
// are empty, how its letters stand, and the box drawing, shade and block glyphs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "font/scroll_font.h"

namespace {

const unsigned char *glyph(int code) {
    return scroll_font + code * 16;
}

bool inked(int code, int row, int col) {
    return (glyph(code)[row] >> (7 - col)) & 1;
}

bool row_empty(int code, int row) {
    return glyph(code)[row] == 0;
}

bool is_box_shade_or_block(int code) {
    return code >= 176 && code <= 223;
}

std::string printable_name(int code) {
    return code >= 33 && code <= 126 ? std::string(1, static_cast<char>(code))
                                     : "#" + std::to_string(code);
}

void expect_rows(int code, const unsigned char (&rows)[16]) {
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(glyph(code)[r], rows[r]) << "glyph " << code << " row " << r;
}

TEST(ScrollFontTellingRows, BlankAndHeart) {
    const unsigned char blank[16] = {};
    expect_rows(0, blank);
    const unsigned char heart[16] = {0x00, 0x00, 0x00, 0x00, 0x6c, 0xfe, 0xfe, 0xfe,
                                     0xfe, 0x7c, 0x38, 0x10, 0x00, 0x00, 0x00, 0x00};
    expect_rows(3, heart);
}

TEST(ScrollFontTellingRows, PunctuationAndDigitZero) {
    const unsigned char bang[16] = {0x00, 0x00, 0x00, 0x30, 0x30, 0x30, 0x30, 0x38,
                                    0x38, 0x38, 0x00, 0x38, 0x00, 0x00, 0x00, 0x00};
    expect_rows('!', bang);
    const unsigned char dollar[16] = {0x00, 0x00, 0x00, 0x18, 0x7e, 0x62, 0x60, 0x7e,
                                      0x0e, 0x4e, 0x7e, 0x18, 0x00, 0x00, 0x00, 0x00};
    expect_rows('$', dollar);
    const unsigned char zero[16] = {0x00, 0x00, 0x00, 0xfe, 0x86, 0x86, 0x8e, 0x8e,
                                    0x8e, 0x8e, 0x8e, 0xfe, 0x00, 0x00, 0x00, 0x00};
    expect_rows('0', zero);
}

TEST(ScrollFontTellingRows, LettersAB_g) {
    const unsigned char a[16] = {0x00, 0x00, 0x00, 0x7c, 0x64, 0x64, 0xfe, 0xe2,
                                 0xe2, 0xe2, 0xe2, 0xe2, 0x00, 0x00, 0x00, 0x00};
    expect_rows('A', a);
    const unsigned char b[16] = {0x00, 0x00, 0x00, 0xfc, 0xc4, 0xc4, 0xfe, 0xe2,
                                 0xe2, 0xe2, 0xe2, 0xfe, 0x00, 0x00, 0x00, 0x00};
    expect_rows('B', b);
    const unsigned char g[16] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x7e, 0x62, 0x62,
                                 0x72, 0x72, 0x72, 0x7e, 0x02, 0x02, 0x7e, 0x00};
    expect_rows('g', g);
}

TEST(ScrollFontTellingRows, LightShadeAndFullBlock) {
    for (int r = 0; r < 16; ++r) {
        EXPECT_EQ(glyph(176)[r], r % 2 == 0 ? 0x11 : 0x44) << "row " << r;
        EXPECT_EQ(glyph(219)[r], 0xff) << "row " << r;
    }
}

TEST(ScrollFontRules, OnlyNulSpaceAndNoBreakSpaceAreEmpty) {
    for (int code = 0; code < 256; ++code) {
        bool empty = true;
        for (int r = 0; r < 16; ++r)
            empty = empty && row_empty(code, r);
        EXPECT_EQ(empty, code == 0 || code == 32 || code == 255) << "glyph " << code;
    }
}

TEST(ScrollFontRules, GlyphsOutsideTheBoxRangeInkOnlyRows2To14) {
    for (int code = 0; code < 256; ++code) {
        if (is_box_shade_or_block(code))
            continue;
        for (int r : {0, 1, 15})
            EXPECT_TRUE(row_empty(code, r)) << "glyph " << printable_name(code) << " row " << r;
    }
}

TEST(ScrollFontRules, OnlyTheUnderscoreUsesColumn7) {
    for (int code = 0; code < 256; ++code) {
        if (is_box_shade_or_block(code))
            continue;
        bool uses_bit0 = false;
        for (int r = 0; r < 16; ++r)
            uses_bit0 = uses_bit0 || (glyph(code)[r] & 1);
        EXPECT_EQ(uses_bit0, code == '_') << "glyph " << printable_name(code);
    }
}

// Rows [first, last] hold all of a glyph's ink, and both of them hold some.
void expect_ink_spans(int code, int first, int last) {
    for (int r = 0; r < 16; ++r) {
        if (r < first || r > last) {
            EXPECT_TRUE(row_empty(code, r)) << printable_name(code) << " row " << r;
        }
    }
    EXPECT_FALSE(row_empty(code, first)) << printable_name(code) << " row " << first;
    EXPECT_FALSE(row_empty(code, last)) << printable_name(code) << " row " << last;
}

TEST(ScrollFontFace, CapsAndDigitsStandInRows3To11) {
    for (int code = 'A'; code <= 'Z'; ++code)
        expect_ink_spans(code, 3, 11);
    for (int code = '0'; code <= '9'; ++code)
        expect_ink_spans(code, 3, 11);
}

TEST(ScrollFontFace, LowerCaseHasAscendersAndDescenders) {
    const std::string tall = "bdfhijklt", deep = "gjpqy";
    for (int code = 'a'; code <= 'z'; ++code) {
        const bool up = tall.find(static_cast<char>(code)) != std::string::npos;
        const bool down = deep.find(static_cast<char>(code)) != std::string::npos;
        expect_ink_spans(code, up ? 3 : 5, down ? 14 : 11);
    }
}

// A run of exactly three inked columns, the same in rows 8 to 10: the heavy lower stroke.
bool has_three_wide_lower_stroke(int code) {
    for (int col = 0; col + 3 <= 7; ++col) {
        bool stroke = true;
        for (int r = 8; r <= 10; ++r) {
            const bool left_open = col == 0 || !inked(code, r, col - 1);
            const bool right_open = col + 3 == 7 || !inked(code, r, col + 3);
            stroke = stroke && left_open && right_open && inked(code, r, col) &&
                     inked(code, r, col + 1) && inked(code, r, col + 2);
        }
        if (stroke)
            return true;
    }
    return false;
}

TEST(ScrollFontFace, MostLettersAndDigitsCarryTheThreePixelStroke) {
    const std::string chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    int with_stroke = 0;
    std::string without;
    for (char ch : chars) {
        if (has_three_wide_lower_stroke(static_cast<unsigned char>(ch)))
            ++with_stroke;
        else
            without += ch;
    }
    EXPECT_GE(with_stroke * 4, static_cast<int>(chars.size()) * 3) << "without: " << without;
    for (char ch : std::string("ABg0"))
        EXPECT_TRUE(has_three_wide_lower_stroke(static_cast<unsigned char>(ch))) << ch;
}

// Box drawing: how many parallel lines (0, 1 or 2) leave the cell at each edge.
struct arms {
    int code, up, down, left, right;
};

const arms box_glyphs[] = {
    {179, 1, 1, 0, 0}, {180, 1, 1, 1, 0}, {181, 1, 1, 2, 0}, {182, 2, 2, 1, 0}, {183, 0, 2, 1, 0},
    {184, 0, 1, 2, 0}, {185, 2, 2, 2, 0}, {186, 2, 2, 0, 0}, {187, 0, 2, 2, 0}, {188, 2, 0, 2, 0},
    {189, 2, 0, 1, 0}, {190, 1, 0, 2, 0}, {191, 0, 1, 1, 0}, {192, 1, 0, 0, 1}, {193, 1, 0, 1, 1},
    {194, 0, 1, 1, 1}, {195, 1, 1, 0, 1}, {196, 0, 0, 1, 1}, {197, 1, 1, 1, 1}, {198, 1, 1, 0, 2},
    {199, 2, 2, 0, 1}, {200, 2, 0, 0, 2}, {201, 0, 2, 0, 2}, {202, 2, 0, 2, 2}, {203, 0, 2, 2, 2},
    {204, 2, 2, 0, 2}, {205, 0, 0, 2, 2}, {206, 2, 2, 2, 2}, {207, 1, 0, 2, 2}, {208, 2, 0, 1, 1},
    {209, 0, 1, 2, 2}, {210, 0, 2, 1, 1}, {211, 2, 0, 0, 1}, {212, 1, 0, 0, 2}, {213, 0, 1, 0, 2},
    {214, 0, 2, 0, 1}, {215, 2, 2, 1, 1}, {216, 1, 1, 2, 2}, {217, 1, 0, 1, 0}, {218, 0, 1, 0, 1},
};

int inked_in_row(int code, int row) {
    int n = 0;
    for (int col = 0; col < 8; ++col)
        n += inked(code, row, col);
    return n;
}

int inked_in_column(int code, int col) {
    int n = 0;
    for (int row = 0; row < 16; ++row)
        n += inked(code, row, col);
    return n;
}

TEST(ScrollFontBoxDrawing, LinesLeaveTheCellAtTheirEdges) {
    for (const arms &a : box_glyphs) {
        EXPECT_EQ(inked_in_row(a.code, 0), a.up) << "glyph " << a.code << " top edge";
        EXPECT_EQ(inked_in_row(a.code, 15), a.down) << "glyph " << a.code << " bottom edge";
        EXPECT_EQ(inked_in_column(a.code, 0), a.left) << "glyph " << a.code << " left edge";
        EXPECT_EQ(inked_in_column(a.code, 7), a.right) << "glyph " << a.code << " right edge";
    }
}

TEST(ScrollFontBoxDrawing, StraightLinesRunUnbrokenAcrossTheCell) {
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(inked_in_row(179, row), 1) << "single vertical, row " << row;
        EXPECT_EQ(inked_in_row(186, row), 2) << "double vertical, row " << row;
    }
    for (int col = 0; col < 8; ++col) {
        EXPECT_EQ(inked_in_column(196, col), 1) << "single horizontal, column " << col;
        EXPECT_EQ(inked_in_column(205, col), 2) << "double horizontal, column " << col;
    }
}

TEST(ScrollFontBoxDrawing, ShadesGetDarkerAndBlocksFillTheirPartOfTheCell) {
    int ink[3] = {};
    for (int shade = 0; shade < 3; ++shade)
        for (int r = 0; r < 16; ++r) {
            EXPECT_NE(glyph(176 + shade)[r], 0) << "shade " << 176 + shade << " row " << r;
            ink[shade] += inked_in_row(176 + shade, r);
        }
    EXPECT_LT(ink[0], ink[1]);
    EXPECT_LT(ink[1], ink[2]);
    EXPECT_LT(ink[2], 128);
    for (int r = 0; r < 16; ++r) {
        EXPECT_EQ(glyph(220)[r], r >= 8 ? 0xff : 0x00) << "lower half block, row " << r;
        EXPECT_EQ(glyph(221)[r], 0xf0) << "left half block, row " << r;
        EXPECT_EQ(glyph(222)[r], 0x0f) << "right half block, row " << r;
        EXPECT_EQ(glyph(223)[r], r < 8 ? 0xff : 0x00) << "upper half block, row " << r;
    }
}

} // namespace
