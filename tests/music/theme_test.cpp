// The composition's shape and the effects it may use, read from the module make_theme builds.
#include "instruments.h"
#include "song.h"

#include <gtest/gtest.h>
#include <set>

namespace {

class Theme : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { theme = new xm_module(make_theme()); }
    static void TearDownTestSuite() {
        delete theme;
        theme = nullptr;
    }
    static xm_module *theme;
};
xm_module *Theme::theme = nullptr;

TEST_F(Theme, HasEnoughChannelsPatternsAndOrders) {
    EXPECT_GE(theme->channels, 6);
    EXPECT_GE(theme->orders.size(), 12u);
    const std::set<uint8_t> used(theme->orders.begin(), theme->orders.end());
    EXPECT_GE(used.size(), 4u);
    EXPECT_EQ(used.size(), theme->patterns.size()); // every pattern is played
    for (uint8_t o : theme->orders)
        EXPECT_LT(o, theme->patterns.size());
}

TEST_F(Theme, LastsBetweenOneAndThreeMinutes) {
    // No pattern changes the tempo after the start, so the length follows from the row count.
    int rows = 0;
    for (uint8_t o : theme->orders)
        rows += theme->patterns[o].rows;
    const double seconds = rows * theme->speed * 2.5 / theme->bpm;
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 180.0);
}

TEST_F(Theme, FirstRowSetsSpeedAndTempoForARestart) {
    const xm_pattern &first = theme->patterns[theme->orders[0]];
    bool speed = false, tempo = false;
    for (int ch = 0; ch < theme->channels; ++ch) {
        const xm_cell &c = first.cells[ch];
        speed |= c.effect == 0xf && c.param == theme->speed;
        tempo |= c.effect == 0xf && c.param == theme->bpm;
    }
    EXPECT_TRUE(speed);
    EXPECT_TRUE(tempo);
}

TEST_F(Theme, UsesOnlyPlainEffectsWithArpeggioAndVibrato) {
    bool arpeggio = false, vibrato = false;
    for (const xm_pattern &p : theme->patterns) {
        ASSERT_EQ(p.cells.size(), static_cast<size_t>(p.rows * theme->channels));
        for (const xm_cell &c : p.cells) {
            arpeggio |= c.effect == 0x0 && c.param != 0;
            vibrato |= c.effect == 0x4;
            EXPECT_TRUE(c.effect == 0x0 || c.effect == 0x4 || c.effect == 0xf)
                << "effect " << int(c.effect);
            EXPECT_TRUE(c.volume == 0 || (c.volume >= 0x10 && c.volume <= 0x50)); // set volume
            EXPECT_LE(c.note, xm_key_off);
            EXPECT_LE(c.instrument, theme->instruments.size());
            if (c.note && c.note != xm_key_off) {
                EXPECT_NE(c.instrument, 0);
            }
        }
    }
    EXPECT_TRUE(arpeggio);
    EXPECT_TRUE(vibrato);
}

TEST_F(Theme, InstrumentsAreSynthesisedWithSoundLoops) {
    ASSERT_EQ(theme->instruments.size(), static_cast<size_t>(theme_instrument_count));
    for (const xm_instrument &ins : theme->instruments) {
        const xm_sample &s = ins.sample;
        ASSERT_FALSE(s.data.empty()) << ins.name;
        EXPECT_LE(s.loop_start + s.loop_length, s.data.size()) << ins.name;
        int peak = 0;
        for (int16_t v : s.data)
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 16000) << ins.name; // made near full scale; levels come from volumes
        EXPECT_LE(s.volume, 64) << ins.name;
    }
    for (int looped : {ins_arp, ins_pad_minor, ins_pad_major, ins_lead, ins_lead_echo})
        EXPECT_EQ(theme->instruments[looped - 1].sample.loop, xm_loop_forward);
    for (int one_shot : {ins_kick, ins_snare, ins_closed_hat, ins_open_hat, ins_crash, ins_bass})
        EXPECT_EQ(theme->instruments[one_shot - 1].sample.loop, xm_loop_none);
}

TEST_F(Theme, IsTheSameEveryTime) {
    EXPECT_EQ(xm_write(make_theme()), xm_write(*theme));
}

} // namespace
