// The wave scroller: its sine table, glyph rendering into the column buffer, the shift, where
// cells and shadows land on screen, the glyph cadence, the restart after the text's end, and
// one whole frame checked against an independent model of the effect.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "intro/scroller.h"
#include "surfaces.h"

namespace {

const Uint16 ground = 0x4208; // a grey that no gradient colour or shadow equals

// Rows of the glyphs the tests rely on, written out by hand.
struct known_glyph {
    unsigned char c;
    unsigned char rows[16];
};
const known_glyph known_glyphs[] = {
    {0, {0}},
    {3, {0, 0, 0, 0, 0x6c, 0xfe, 0xfe, 0xfe, 0xfe, 0x7c, 0x38, 0x10, 0, 0, 0, 0}},
    {'!', {0, 0, 0, 0x30, 0x30, 0x30, 0x30, 0x38, 0x38, 0x38, 0, 0x38, 0, 0, 0, 0}},
    {'$', {0, 0, 0, 0x18, 0x7e, 0x62, 0x60, 0x7e, 0x0e, 0x4e, 0x7e, 0x18, 0, 0, 0, 0}},
    {'0', {0, 0, 0, 0xfe, 0x86, 0x86, 0x8e, 0x8e, 0x8e, 0x8e, 0x8e, 0xfe, 0, 0, 0, 0}},
    {'A', {0, 0, 0, 0x7c, 0x64, 0x64, 0xfe, 0xe2, 0xe2, 0xe2, 0xe2, 0xe2, 0, 0, 0, 0}},
    {'B', {0, 0, 0, 0xfc, 0xc4, 0xc4, 0xfe, 0xe2, 0xe2, 0xe2, 0xe2, 0xfe, 0, 0, 0, 0}},
    {'g', {0, 0, 0, 0, 0, 0x7e, 0x62, 0x62, 0x72, 0x72, 0x72, 0x7e, 0x02, 0x02, 0x7e, 0}},
    {176,
     {0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11,
      0x44}},
    {219,
     {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
      0xff}},
};

const unsigned char *rows_of(unsigned char c) {
    for (const known_glyph &g : known_glyphs)
        if (g.c == c)
            return g.rows;
    ADD_FAILURE() << "no known rows for glyph " << int(c);
    return known_glyphs[0].rows;
}

// The band's colour for buffer row k, packed into 5-6-5 by hand.
int gradient(int k) {
    const int r = 158 + 2 * k, g = 28 + 7 * k, b = 12 + 3 * k;
    return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
}

int sine_direct(int i) {
    return static_cast<int>(std::trunc(30.0 * std::sin(i * 3.14 / 125.0)));
}

// Plots the drawn columns of a column buffer the way the band looks on screen: each
// non-empty cell as a 2x2 dot with a black 2x2 shadow, cells in column-then-row order,
// offsets from sines computed here.
std::vector<Uint16> model_plot(const std::vector<int> &buffer, int counter, Uint16 background) {
    std::vector<Uint16> picture(screen_width * screen_height, background);
    auto plot = [&](int x, int y, int colour) {
        if (x >= 0 && x < screen_width && y >= 0 && y < screen_height)
            picture[y * screen_width + x] = static_cast<Uint16>(colour);
    };
    for (int col = 0; col < scroller_drawn_columns; ++col)
        for (int k = 0; k < scroller_rows; ++k) {
            const int v = buffer[col * scroller_rows + k];
            if (!v)
                continue;
            const int x = scroller_band_x + col + sine_direct(col + k);
            const int y =
                scroller_band_y + k + sine_direct((counter + col + k) % scroller_sine_size);
            for (int d = 0; d < 4; ++d)
                plot(x + scroller_shadow_dx + d % 2, y + scroller_shadow_dy + d / 2, 0);
            for (int d = 0; d < 4; ++d)
                plot(x + d % 2, y + d / 2, v);
        }
    return picture;
}

class ScrollerTest : public ::testing::Test {
  protected:
    test_screen display;
    std::unique_ptr<scroller_state> s{new scroller_state};

    void fill_screen(Uint16 value) {
        for (int i = 0; i < screen_width * screen_height; ++i)
            display.store[i] = value;
    }
    int cell(int col, int row) const { return s->cells[col * scroller_rows + row]; }
    void set_cell(int col, int row, int v) { s->cells[col * scroller_rows + row] = v; }
    int count_not(Uint16 value) const {
        int n = 0;
        for (int i = 0; i < screen_width * screen_height; ++i)
            n += display.store[i] != value;
        return n;
    }
    // Runs frames first..last with the screen as it comes.
    void run_frames(int first, int last) {
        for (int n = first; n <= last; ++n)
            scroller_step(s.get(), frame_counter_in_frame(n));
    }
    // Checks columns 189..195 against the glyph's rows 2..14, each twice, bits 7..1.
    void expect_rendered(unsigned char c) {
        const unsigned char *rows = rows_of(c);
        for (int k = 0; k < 26; ++k)
            for (int col = 189; col <= 195; ++col) {
                const bool set = rows[2 + k / 2] >> (196 - col) & 1;
                EXPECT_EQ(cell(col, k), set ? gradient(k) : 0)
                    << "glyph " << int(c) << " col " << col << " row " << k;
            }
    }
};

TEST_F(ScrollerTest, SineTableHasTheWaveValues) {
    scroller_prepare(s.get(), "");
    for (int i : {0, 1, 124, 125, 126, 249})
        EXPECT_EQ(s->sine[i], 0) << i;
    EXPECT_EQ(s->sine[2], 1);
    EXPECT_EQ(s->sine[3], 2);
    for (int i = 53; i <= 72; ++i)
        EXPECT_EQ(s->sine[i], 29) << i;
    for (int i = 178; i <= 197; ++i)
        EXPECT_EQ(s->sine[i], -29) << i;
    EXPECT_EQ(s->sine[52], 28);
    EXPECT_EQ(s->sine[73], 28);
    EXPECT_EQ(s->sine[126], 0);  // -0.71: truncated toward zero, not floored
    EXPECT_EQ(s->sine[127], -1); // -1.46
    int low = 0, high = 0;
    for (int i = 0; i < scroller_sine_size; ++i) {
        EXPECT_EQ(s->sine[i], sine_direct(i)) << i;
        low = std::min(low, s->sine[i]);
        high = std::max(high, s->sine[i]);
    }
    EXPECT_EQ(low, -29);
    EXPECT_EQ(high, 29);
}

TEST_F(ScrollerTest, PrepareEmptiesTheBufferAndPutsTheCursorOnTheText) {
    std::memset(s->cells, 0x5a, sizeof s->cells);
    const char *text = "AB";
    scroller_prepare(s.get(), text);
    for (int i = 0; i < scroller_columns * scroller_rows; ++i)
        ASSERT_EQ(s->cells[i], 0) << i;
    EXPECT_EQ(s->cursor, text);
}

TEST_F(ScrollerTest, RenderingLetterA) {
    scroller_prepare(s.get(), "");
    scroller_render_glyph(s.get(), 'A');
    for (int col = 189; col <= 195; ++col) {
        EXPECT_EQ(cell(col, 0), 0);
        EXPECT_EQ(cell(col, 1), 0);
        for (int k = 20; k <= 25; ++k)
            EXPECT_EQ(cell(col, k), 0);
        EXPECT_EQ(cell(col, 8), gradient(8));
        EXPECT_EQ(cell(col, 9), gradient(9));
    }
    for (int k : {2, 3}) {
        EXPECT_EQ(cell(189, k), 0);
        EXPECT_EQ(cell(195, k), 0);
        for (int col = 190; col <= 194; ++col)
            EXPECT_EQ(cell(col, k), gradient(k));
    }
    EXPECT_EQ(gradient(0), 0x98E1);
    EXPECT_EQ(gradient(25), 0xD64A);
    expect_rendered('A');
}

TEST_F(ScrollerTest, RenderingTouchesOnlyColumns189To195AndWritesEveryCell) {
    scroller_prepare(s.get(), "");
    for (int i = 0; i < scroller_columns * scroller_rows; ++i)
        s->cells[i] = 0x1234;
    scroller_render_glyph(s.get(), 'g');
    expect_rendered('g');
    for (int col = 0; col < scroller_columns; ++col) {
        if (col >= 189 && col <= 195)
            continue;
        for (int k = 0; k < 26; ++k)
            ASSERT_EQ(cell(col, k), 0x1234) << col << " " << k;
    }
}

TEST_F(ScrollerTest, RenderingEveryKnownGlyph) {
    scroller_prepare(s.get(), "");
    for (const known_glyph &g : known_glyphs) {
        scroller_render_glyph(s.get(), g.c);
        expect_rendered(g.c);
    }
}

TEST_F(ScrollerTest, BitZeroAndRowsZeroOneAndFifteenNeverReachTheBuffer) {
    scroller_prepare(s.get(), "");
    // Full block: all 26 rows of columns 189..195, nothing in 196 from bit 0.
    scroller_render_glyph(s.get(), 219);
    for (int k = 0; k < 26; ++k) {
        for (int col = 189; col <= 195; ++col)
            EXPECT_EQ(cell(col, k), gradient(k));
        EXPECT_EQ(cell(196, k), 0);
        EXPECT_EQ(cell(188, k), 0);
    }
    // Light shade: row 15 is 44, row 14 is 11 (bit 4, column 192, and bit 0, never drawn).
    scroller_render_glyph(s.get(), 176);
    for (int k : {24, 25})
        for (int col = 189; col <= 195; ++col)
            EXPECT_EQ(cell(col, k), col == 192 ? gradient(k) : 0) << col;
    for (int k = 0; k < 26; ++k)
        EXPECT_EQ(cell(196, k), 0);
}

TEST_F(ScrollerTest, ShiftMovesEveryCellThreeColumnsLeft) {
    scroller_prepare(s.get(), "");
    fill_screen(ground);
    for (int i = 0; i < scroller_columns * scroller_rows; ++i)
        s->cells[i] = 0x100 + i;
    const std::vector<int> before(s->cells, s->cells + scroller_columns * scroller_rows);
    scroller_step(s.get(), frame_counter_in_frame(2)); // no glyph step in frame 2
    for (int col = 0; col < scroller_columns; ++col)
        for (int k = 0; k < 26; ++k) {
            const int from = col < 195 ? col + 3 : col;
            ASSERT_EQ(cell(col, k), before[from * scroller_rows + k]) << col << " " << k;
        }
    EXPECT_TRUE(display.guard_intact());
}

TEST_F(ScrollerTest, CellZeroZeroInFrameOne) {
    scroller_prepare(s.get(), ""); // the glyph step renders the blank NUL glyph
    fill_screen(ground);
    set_cell(3, 0, 0x1234); // shifted into cell (0, 0) in the pass
    scroller_step(s.get(), 253);
    EXPECT_EQ(cell(0, 0), 0x1234);
    for (int y = 122; y <= 123; ++y)
        for (int x = 150; x <= 151; ++x)
            EXPECT_EQ(display.pixel(x, y), 0x1234) << x << " " << y;
    for (int y = 152; y <= 153; ++y)
        for (int x = 170; x <= 171; ++x)
            EXPECT_EQ(display.pixel(x, y), 0) << x << " " << y;
    EXPECT_EQ(count_not(ground), 8);
}

TEST_F(ScrollerTest, CellPositionFollowsBothWaves) {
    // Cell (100, 10) in frame 375 (counter 1001): sideways sine[110], vertical
    // sine[(1001 + 110) % 250] = sine[111].
    scroller_prepare(s.get(), "");
    fill_screen(ground);
    set_cell(103, 10, 0x2345);
    scroller_step(s.get(), 1001);
    const int x = 150 + 100 + sine_direct(110);
    const int y = 120 + 10 + sine_direct(111);
    EXPECT_EQ(sine_direct(110), 11);
    EXPECT_EQ(sine_direct(111), 10);
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
            EXPECT_EQ(display.pixel(x + dx, y + dy), 0x2345);
            EXPECT_EQ(display.pixel(x + 20 + dx, y + 30 + dy), 0);
        }
    EXPECT_EQ(count_not(ground), 8);
}

TEST_F(ScrollerTest, LaterCellWinsWhereDotsOverlap) {
    // Cells (50, 0) and (50, 1) overlap by one pixel row: the lower one is plotted later.
    scroller_prepare(s.get(), "");
    fill_screen(ground);
    set_cell(53, 0, 0x1111);
    set_cell(53, 1, 0x2222);
    scroller_step(s.get(), frame_counter_in_frame(2));
    const int c = frame_counter_in_frame(2);
    const int x0 = 200 + sine_direct(50), y0 = 120 + sine_direct((c + 50) % 250);
    const int x1 = 200 + sine_direct(51), y1 = 121 + sine_direct((c + 51) % 250);
    ASSERT_EQ(x1, x0);
    ASSERT_EQ(y1, y0 + 1);
    for (int dx = 0; dx < 2; ++dx) {
        EXPECT_EQ(display.pixel(x0 + dx, y0), 0x1111);
        EXPECT_EQ(display.pixel(x0 + dx, y0 + 1), 0x2222);
        EXPECT_EQ(display.pixel(x0 + dx, y0 + 2), 0x2222);
    }
}

TEST_F(ScrollerTest, Columns195To197AreShiftedButNotDrawn) {
    scroller_prepare(s.get(), "");
    fill_screen(ground);
    for (int col = 195; col < 198; ++col)
        for (int k = 0; k < 26; ++k)
            set_cell(col, k, 0x3333 + col);
    const int counter = frame_counter_in_frame(2); // no glyph step
    scroller_step(s.get(), counter);
    // Only the copies in columns 192..194 are plotted.
    std::vector<int> drawn(198 * 26, 0);
    for (int col = 192; col < 195; ++col)
        for (int k = 0; k < 26; ++k)
            drawn[col * 26 + k] = 0x3333 + col + 3;
    const std::vector<Uint16> expected = model_plot(drawn, counter, ground);
    int differences = 0;
    for (int i = 0; i < screen_width * screen_height; ++i)
        differences += display.store[i] != expected[i];
    EXPECT_EQ(differences, 0);
    EXPECT_GT(count_not(ground), 0);
}

TEST_F(ScrollerTest, Columns196And197StayEmptyInEveryFrame) {
    scroller_prepare(s.get(), "\xdb\xdb\xb0g$!0AB\x03");
    for (int n = 1; n <= 300; ++n) {
        scroller_step(s.get(), frame_counter_in_frame(n));
        for (int k = 0; k < 26; ++k) {
            ASSERT_EQ(cell(196, k), 0) << "frame " << n;
            ASSERT_EQ(cell(197, k), 0) << "frame " << n;
        }
    }
    EXPECT_TRUE(display.guard_intact());
}

TEST_F(ScrollerTest, GlyphStepRunsInFramesOneFourSeven) {
    const char *text = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    scroller_prepare(s.get(), text);
    for (int n = 1; n <= 40; ++n) {
        scroller_step(s.get(), frame_counter_in_frame(n));
        EXPECT_EQ(s->cursor - text, (n + 2) / 3) << "frame " << n;
        // The new glyph has just been shifted to columns 186..192 in its own frame.
        if (n % 3 == 1) {
            EXPECT_EQ(cell(190, 2), gradient(2)) << "frame " << n; // 'A' row 3: 187..191
        }
    }
}

TEST_F(ScrollerTest, GlyphIsFirstDrawnShiftedToColumns186To192) {
    scroller_prepare(s.get(), "\xdb");
    scroller_step(s.get(), frame_counter_in_frame(1));
    for (int k = 0; k < 26; ++k) {
        for (int col = 186; col <= 192; ++col)
            EXPECT_EQ(cell(col, k), gradient(k));
        EXPECT_EQ(cell(185, k), 0);
        EXPECT_EQ(cell(193, k), 0);
        EXPECT_EQ(cell(194, k), 0);
        EXPECT_EQ(cell(195, k), gradient(k)); // left behind until the next glyph step
    }
}

TEST_F(ScrollerTest, BitOneColumnIsCopiedAgainUntilTheNextGlyphStep) {
    scroller_prepare(s.get(), "\xdb");
    fill_screen(ground);
    run_frames(1, 2);
    for (int k = 0; k < 26; ++k) {
        EXPECT_EQ(cell(189, k), gradient(k)); // the glyph's own last column
        EXPECT_EQ(cell(190, k), 0);
        EXPECT_EQ(cell(192, k), gradient(k)); // the copy of column 195
    }
    run_frames(3, 3);
    for (int k = 0; k < 26; ++k) {
        EXPECT_EQ(cell(186, k), gradient(k));
        EXPECT_EQ(cell(189, k), gradient(k));
        EXPECT_EQ(cell(192, k), gradient(k));
    }
    run_frames(4, 4); // renders the NUL: blank columns 186..192 wipe the copies
    for (int k = 0; k < 26; ++k)
        for (int col = 184; col <= 195; ++col)
            EXPECT_EQ(cell(col, k), 0) << col;
}

TEST_F(ScrollerTest, OneCharacterTextRestartsAfterItsNul) {
    const char *text = "\x03";
    scroller_prepare(s.get(), text);
    for (int n = 1; n <= 300; ++n) {
        scroller_step(s.get(), frame_counter_in_frame(n));
        const int steps = (n + 2) / 3;
        EXPECT_EQ(s->cursor - text, steps % 2) << "frame " << n;
    }
    // Frame 301 is a glyph step (the 101st, a heart). Buffer row 8 is heart row 6, fe:
    // every heart inks seven columns there, then 11 columns stay empty.
    run_frames(301, 301);
    std::vector<int> starts;
    for (int col = 0; col < 195; ++col)
        if (cell(col, 8) != 0 && (col == 0 || cell(col - 1, 8) == 0))
            starts.push_back(col);
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.back(), 186);
    for (std::size_t i = 1; i < starts.size(); ++i)
        EXPECT_EQ(starts[i] - starts[i - 1], 18);
    EXPECT_EQ(starts.size(), 11u); // 186, 168, ..., 6
    for (int start : starts)
        for (int col = start; col < start + 7; ++col)
            for (int k = 0; k < 26; ++k) {
                const bool set = rows_of(3)[2 + k / 2] >> (7 - (col - start)) & 1;
                EXPECT_EQ(cell(col, k), set ? gradient(k) : 0) << col << " " << k;
            }
    for (int col = 0; col < 195; ++col) {
        const bool in_heart = col % 18 >= 6 && col % 18 < 13;
        if (in_heart)
            continue;
        for (int k = 0; k < 26; ++k)
            EXPECT_EQ(cell(col, k), 0) << col << " " << k;
    }
}

// An independent model of one frame: which glyph sits where, read from hand-written rows,
// placed and coloured with formulas written out here. Glyph step j (j = 0, 1, ...) ran in
// frame 1 + 3j and rendered character j of the text taken cyclically with its NUL; in frame n
// that glyph's column c (bit 7 - c) sits in buffer column 189 - 3 (n - 3j) + c.
unsigned char character_of_step(const char *text, int j) {
    const int length = static_cast<int>(std::strlen(text));
    const int i = j % (length + 1);
    return i == length ? 0 : static_cast<unsigned char>(text[i]);
}

std::vector<Uint16> model_frame(const char *text, int n, Uint16 background) {
    std::vector<int> buffer(198 * 26, 0);
    const int last_step = (n - 1) / 3;
    for (int j = 0; j <= last_step; ++j) {
        const unsigned char *rows = rows_of(character_of_step(text, j));
        for (int c = 0; c < 7; ++c) {
            const int col = 189 - 3 * (n - 3 * j) + c;
            if (col < 0)
                continue;
            for (int k = 0; k < 26; ++k)
                buffer[col * 26 + k] = rows[2 + k / 2] >> (7 - c) & 1 ? gradient(k) : 0;
        }
    }
    // Column 195 keeps the last glyph's bit-1 column, and every shift since that glyph's
    // step has copied it again: to 192 one frame later, to 189 and 192 two frames later.
    const unsigned char *last_rows = rows_of(character_of_step(text, last_step));
    const int since = n - (1 + 3 * last_step);
    for (int copy = 1; copy <= since; ++copy)
        for (int k = 0; k < 26; ++k)
            buffer[(195 - 3 * copy) * 26 + k] = last_rows[2 + k / 2] >> 1 & 1 ? gradient(k) : 0;
    return model_plot(buffer, frame_counter_in_frame(n), background);
}

TEST_F(ScrollerTest, WholeFrameAfterHundredsOfFramesMatchesTheModel) {
    const char *text = "AB0g$!\x03\xdb";
    for (int n : {400, 401, 402}) {
        scroller_prepare(s.get(), text);
        run_frames(1, n - 1);
        fill_screen(ground);
        run_frames(n, n);
        const std::vector<Uint16> expected = model_frame(text, n, ground);
        int differences = 0;
        for (int i = 0; i < screen_width * screen_height; ++i)
            differences += display.store[i] != expected[i];
        EXPECT_EQ(differences, 0) << "frame " << n;
        EXPECT_GT(count_not(ground), 3000) << "frame " << n;
        EXPECT_TRUE(display.guard_intact());
    }
}

TEST_F(ScrollerTest, DotsAndShadowsStayWithinTheirBands) {
    scroller_prepare(s.get(), "\xdb");
    fill_screen(ground);
    for (int n = 1; n <= 250; ++n) {
        scroller_step(s.get(), frame_counter_in_frame(n));
        for (int y = 0; y < screen_height; ++y)
            for (int x = 0; x < screen_width; ++x) {
                const Uint16 p = display.pixel(x, y);
                if (p == ground)
                    continue;
                if (p == 0)
                    ASSERT_TRUE(y >= 121 && y <= 205) << x << " " << y << " frame " << n;
                else
                    ASSERT_TRUE(y >= 91 && y <= 175 && x >= 121) << x << " " << y;
            }
    }
}

} // namespace
