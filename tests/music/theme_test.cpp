// The composition's shape, its parts and the effects it may use, read from the module
// make_theme builds.
#include "instruments.h"
#include "score.h"
#include "song.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

class Theme : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { theme = new xm_module(make_theme()); }
    static void TearDownTestSuite() {
        delete theme;
        theme = nullptr;
    }
    static const xm_cell &cell(const xm_pattern &p, int row, int ch) {
        return p.cells[row * theme->channels + ch];
    }
    static bool plays(const xm_cell &c) { return c.note && c.note != xm_key_off; }
    static xm_module *theme;
};
xm_module *Theme::theme = nullptr;

TEST_F(Theme, HasEnoughChannelsPatternsAndOrders) {
    EXPECT_EQ(theme->channels, score_channels);
    EXPECT_GE(theme->orders.size(), 16u);
    const std::set<uint8_t> used(theme->orders.begin(), theme->orders.end());
    EXPECT_EQ(used.size(), theme->patterns.size()); // every pattern is played
    for (uint8_t o : theme->orders)
        EXPECT_LT(o, theme->patterns.size());
}

TEST_F(Theme, NoSectionRepeatsAnother) {
    const std::set<uint8_t> used(theme->orders.begin(), theme->orders.end());
    EXPECT_EQ(used.size(), theme->orders.size()) << "an order plays a pattern again";
    for (size_t a = 0; a < theme->patterns.size(); ++a)
        for (size_t b = a + 1; b < theme->patterns.size(); ++b) {
            const xm_pattern &p = theme->patterns[a], &q = theme->patterns[b];
            int same_notes = 0, notes = 0;
            for (size_t i = 0; i < p.cells.size(); ++i)
                if (plays(p.cells[i]) || plays(q.cells[i])) {
                    ++notes;
                    same_notes += p.cells[i].note == q.cells[i].note &&
                                  p.cells[i].instrument == q.cells[i].instrument;
                }
            EXPECT_LT(same_notes, notes * 9 / 10) << "patterns " << a << " and " << b;
        }
}

TEST_F(Theme, LastsBetweenTwoAndThreeMinutes) {
    // No pattern changes the tempo after the start, so the length follows from the row count.
    int rows = 0;
    for (uint8_t o : theme->orders)
        rows += theme->patterns[o].rows;
    const double seconds = rows * theme->speed * 2.5 / theme->bpm;
    EXPECT_GE(seconds, 120.0);
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
    for (const xm_pattern &p : theme->patterns)
        for (size_t i = theme->channels; i < p.cells.size(); ++i)
            EXPECT_NE(p.cells[i].effect, 0xf) << "a speed or tempo change inside the song";
}

// Arpeggio, tone portamento, vibrato, volume slide and the speed at the start: each checked
// to sound alike in libmikmod and libopenmpt. None leans on a remembered parameter, and a
// glide's note brings no instrument, which players treat differently.
TEST_F(Theme, UsesOnlyEffectsBothPlayersPlayAlike) {
    std::set<int> seen;
    for (const xm_pattern &p : theme->patterns) {
        ASSERT_EQ(p.cells.size(), static_cast<size_t>(p.rows * theme->channels));
        for (const xm_cell &c : p.cells) {
            if (c.effect || c.param)
                seen.insert(c.effect);
            EXPECT_TRUE(c.effect == 0x0 || c.effect == 0x3 || c.effect == 0x4 || c.effect == 0xa ||
                        c.effect == 0xf)
                << "effect " << int(c.effect);
            if (c.effect == 0x3 || c.effect == 0x4 || c.effect == 0xa) {
                EXPECT_NE(c.param, 0) << "effect " << int(c.effect) << " with remembered speed";
            }
            if (c.effect == 0xa) {
                EXPECT_TRUE((c.param & 0xf) == 0 || (c.param & 0xf0) == 0);
            }
            if (c.effect == 0x3 && c.note) {
                EXPECT_EQ(c.instrument, 0);
            }
            EXPECT_TRUE(c.volume == 0 || (c.volume >= 0x10 && c.volume <= 0x50)); // set volume
            EXPECT_LE(c.note, xm_key_off);
            EXPECT_LE(c.instrument, theme->instruments.size());
            if (plays(c) && c.effect != 0x3) {
                EXPECT_NE(c.instrument, 0);
            }
        }
    }
    EXPECT_EQ(seen, (std::set<int>{0x0, 0x3, 0x4, 0xa, 0xf}));
}

TEST_F(Theme, LeadAndBassMoveOnSixteenthsAndGlide) {
    int lead_notes = 0, lead_odd_rows = 0, lead_glides = 0, bass_glides = 0;
    std::set<std::string> bass_bars, drum_bars;
    for (const xm_pattern &p : theme->patterns) {
        for (int r = 0; r < p.rows; ++r) {
            const xm_cell &lead = cell(p, r, ch_lead);
            if (plays(lead)) {
                ++lead_notes;
                lead_odd_rows += r % 2;
                lead_glides += lead.effect == 0x3;
            }
            bass_glides += plays(cell(p, r, ch_bass)) && cell(p, r, ch_bass).effect == 0x3;
        }
        for (int bar = 0; bar < p.rows / 16; ++bar) {
            std::string bass, drums;
            for (int r = bar * 16; r < bar * 16 + 16; ++r) {
                bass += static_cast<char>(cell(p, r, ch_bass).note);
                for (int ch : {ch_kick, ch_snare, ch_hat, ch_tom})
                    drums += static_cast<char>(cell(p, r, ch).instrument);
            }
            bass_bars.insert(bass);
            drum_bars.insert(drums);
        }
    }
    EXPECT_GE(lead_odd_rows * 8, lead_notes) << "too few lead notes off the eighth-note grid";
    EXPECT_GE(lead_glides, 4);
    EXPECT_GE(bass_glides, 8);
    EXPECT_GE(bass_bars.size(), 30u);
    EXPECT_GE(drum_bars.size(), 16u);
}

// The lead's notes, from the start of the song: the row each starts on and its pitch.
struct onset {
    int row;
    int note;
};

// A piece of the chorus's hook, the lead's first bar in the first chorus (the sixth section),
// is heard within the first 15 s: the same steps between the notes in the same rhythm.
TEST_F(Theme, TheLeadStatesAPieceOfTheHookWithinFifteenSeconds) {
    std::vector<onset> song, hook;
    int start = 0;
    for (size_t o = 0; o < theme->orders.size(); ++o) {
        const xm_pattern &p = theme->patterns[theme->orders[o]];
        for (int r = 0; r < p.rows; ++r) {
            if (plays(cell(p, r, ch_lead)))
                song.push_back({start + r, cell(p, r, ch_lead).note});
            if (o == 5 && r < 16 && plays(cell(p, r, ch_lead)))
                hook.push_back({r, cell(p, r, ch_lead).note});
        }
        start += p.rows;
    }
    ASSERT_GE(hook.size(), 4u);
    ASSERT_EQ(hook[0].row, 0);
    int first = -1;
    for (size_t i = 0; first < 0 && i + hook.size() <= song.size(); ++i) {
        bool same = true;
        for (size_t k = 1; same && k < hook.size(); ++k)
            same = song[i + k].row - song[i].row == hook[k].row &&
                   song[i + k].note - song[i].note == hook[k].note - hook[0].note;
        if (same)
            first = song[i].row;
    }
    ASSERT_GE(first, 0) << "the hook is never played";
    EXPECT_LT(first * theme->speed * 2.5 / theme->bpm, 15.0) << "first at row " << first;
}

// In the choruses the arpeggio plays under the lead, not over it: the pitches it sounds (with a
// tracker arpeggio's steps) lie on average at least a fifth below the lead's.
TEST_F(Theme, TheChorusArpeggioPlaysUnderTheLead) {
    for (int section : {5, 6, 11, 12, 15, 16}) {
        const xm_pattern &p = theme->patterns[theme->orders[section]];
        double lead = 0, arp = 0;
        int leads = 0, arps = 0;
        for (int r = 0; r < p.rows; ++r) {
            const xm_cell &l = cell(p, r, ch_lead), &a = cell(p, r, ch_arp);
            if (plays(l))
                lead += l.note, ++leads;
            if (plays(a))
                arp += a.note + (a.effect == 0 ? ((a.param >> 4) + (a.param & 0xf)) / 3.0 : 0),
                    ++arps;
        }
        ASSERT_GT(leads, 0);
        ASSERT_GT(arps, 0);
        EXPECT_GE(lead / leads - arp / arps, 7.0) << "section " << section;
    }
}

// SDL_mixer starts the song again by cutting every voice: whatever holds in the last bar is
// let go in time to have faded by then.
TEST_F(Theme, TheEndLetsGoOfHeldNotesBeforeTheRestart) {
    const xm_pattern &end = theme->patterns[theme->orders.back()];
    for (int ch : {ch_lead, ch_flute, ch_echo, ch_arp, ch_pad_left, ch_pad_right, ch_bass}) {
        int last_note = -1, last_off = -1;
        for (int r = 0; r < end.rows; ++r) {
            if (plays(cell(end, r, ch)))
                last_note = r;
            if (cell(end, r, ch).note == xm_key_off)
                last_off = r;
        }
        if (last_note >= 0 || ch == ch_bass) {
            EXPECT_GT(last_off, last_note) << "channel " << ch;
        }
        EXPECT_LE(last_off, end.rows - 2) << "channel " << ch;
    }
}

TEST_F(Theme, InstrumentsAreSynthesisedWithSoundLoopsAndEnvelopes) {
    ASSERT_EQ(theme->instruments.size(), static_cast<size_t>(theme_instrument_count));
    for (const xm_instrument &ins : theme->instruments) {
        const xm_sample &s = ins.sample;
        ASSERT_FALSE(s.data.empty()) << ins.name;
        EXPECT_LE(s.loop_start + s.loop_length, s.data.size()) << ins.name;
        if (s.loop != xm_loop_none) {
            EXPECT_GE(s.loop_length, 1024u) << ins.name;
        }
        int peak = 0;
        for (int16_t v : s.data)
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 16000) << ins.name; // made near full scale; levels come from volumes
        EXPECT_LE(s.volume, 64) << ins.name;
        const xm_envelope &env = ins.volume_envelope;
        EXPECT_LE(env.points, 12) << ins.name;
        if (env.points == 0)
            continue;
        EXPECT_GE(env.points, 2) << ins.name;
        EXPECT_LT(env.sustain, env.points) << ins.name;
        EXPECT_EQ(env.x[0], 0) << ins.name;
        for (int i = 0; i < env.points; ++i) {
            EXPECT_LE(env.y[i], 64) << ins.name;
            if (i > 0) {
                EXPECT_GT(env.x[i], env.x[i - 1]) << ins.name;
            }
        }
    }
    for (int looped : {ins_bass, ins_arp, ins_pad_minor_left, ins_pad_minor_right,
                       ins_pad_major_left, ins_pad_major_right, ins_lead, ins_lead_echo, ins_flute})
        EXPECT_EQ(theme->instruments[looped - 1].sample.loop, xm_loop_forward);
    for (int one_shot : {ins_kick, ins_snare, ins_closed_hat, ins_open_hat, ins_crash, ins_tom,
                         ins_sweep, ins_pluck, ins_bell})
        EXPECT_EQ(theme->instruments[one_shot - 1].sample.loop, xm_loop_none);
}

TEST_F(Theme, IsTheSameEveryTime) {
    EXPECT_EQ(xm_write(make_theme()), xm_write(*theme));
}

} // namespace
