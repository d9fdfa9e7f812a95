// The theme: an A-minor tune at 128 BPM in nineteen four-bar sections, a row being a
// sixteenth note. A groove intro, two verses each with a pre-chorus and chorus, a half-time
// interlude, a breakdown that builds back up, a last chorus a tone higher with a counter-
// melody, and an outro that pivots home on G and ends on E, so that the intro's A minor,
// where the player starts again, follows it as the next bar.
#include "song.h"

#include "instruments.h"
#include "score.h"

namespace {

enum pitch_class { pc_c = 0, pc_d = 2, pc_e = 4, pc_f = 5, pc_g = 7, pc_a = 9, pc_bb = 10 };

const chord am{pc_a, true}, dm{pc_d, true}, em{pc_e, true};
const chord f{pc_f, false}, c{pc_c, false}, g{pc_g, false}, e{pc_e, false}, bb{pc_bb, false};

// clang-format off
// Drum bars: kick, snare, hat, tom.
const drum_bar intro_a    = {"x...x...x...x...", nullptr,            "..6...6...6...6.", nullptr};
const drum_bar intro_b    = {"x...x...x...x..5", nullptr,            "3.6.3.6.3.6.3.63", nullptr};
const drum_bar intro_fill = {"x...x...x...x...", "........6..5x6x8", "3.6.3.6.3.6.....", nullptr};
const drum_bar verse_a    = {"x.....x...x.....", "....x..2....x..2", "6262636262626362", nullptr};
const drum_bar verse_b    = {"x.....x.x.....5.", "....x..2..2.x...", "62626262626262O.", nullptr};
const drum_bar verse_fill = {"x.....x...x.....", "....x..2....x...", "626262626262....", "............h.ml"};
const drum_bar pre_a      = {"x...x...x...x...", "....x.......x...", "..6...6...6...6.", nullptr};
const drum_bar pre_b      = {"x...x...x...x...", "4...x...4...x...", "6.6.6.6.6.6.6.6.", nullptr};
const drum_bar pre_c      = {"x...x...x...x...", "4.4.5.5.6.6.7.7.", "6.6.6.6.6.6.6.6.", nullptr};
const drum_bar pre_roll   = {"x...x...x...x...", "3344556677889999", nullptr,            nullptr};
const drum_bar chorus_a   = {"x...x...x...x...", "....x.......x...", "4.O.4.O.4.O.4.O.", nullptr};
const drum_bar chorus_b   = {"x...x...x...x...", "....x..3....x.3.", "4.O34.O34.O34.O3", nullptr};
const drum_bar chorus_fill= {"x...x...x...x...", "....x...5.5.7x9x", "4.O.4.O.4.O.....", nullptr};
const drum_bar tom_fill   = {"x...x...x.......", "....x...........", "4.O.4.O.........", "........h.h.m.ml"};
const drum_bar half_a     = {"x.........x.....", "........x.......", "6.4.6.4.6.4.6.46", nullptr};
const drum_bar half_b     = {"x.........x..5..", "........x.....4.", "6.4.6.4.6.4.O.4.", nullptr};
const drum_bar half_fill  = {"x.........x.....", "........x...5x7x", "6.4.6.4.6.4.....", nullptr};
const drum_bar hats_only  = {nullptr,            nullptr,            "..4...4...4...4.", nullptr};
const drum_bar build_kick = {"x...x...x...x...", nullptr,            "..5...5...5...5.", nullptr};
const drum_bar build_roll8= {"x...x...x...x...", "5.5.5.5.6.6.6.6.", "..5...5...5...5.", nullptr};
const drum_bar build_roll = {"x...x...x...x...", "5566677788899999", nullptr,            nullptr};
const drum_bar outro_fill = {"x...x...x.......", "....x........7xx", "3.6.3.6.3.......", "........h.h.mml."};

// Bass bars.
const bass_bar groove     = "r.-rr.-.r.-rr.o-";
const bass_bar groove_up  = "r.-rr.-.r.-ro.p.";
const bass_bar tresillo   = "r..r..r.-.r.o.f.";
const bass_bar tresillo_b = "r..r..o.-rf.r.s.";
const bass_bar walk       = "r..r..r.-.t.f.o-";
const bass_bar eighths    = "r.r.r.r.r.r.o.o.";
const bass_bar eighths_up = "r.r.o.r.r.o.r.p.";
const bass_bar offbeat    = "..ro..ro..ro.rop";
const bass_bar offbeat_b  = "..ro..ro..of.rf-";
const bass_bar gallop     = "r.orr.orr.orr.p.";
const bass_bar gallop_b   = "r.orr.orr.or.o.-";
const bass_bar half_time  = "r.....r...o.f.s.";
const bass_bar half_time_b = "r.....r...o.p...";
const bass_bar held       = "r...............";
const bass_bar held_slide = "r.......f...p...";
const bass_bar pulse      = "r.r.r.r.r.r.r.r.";
const bass_bar outro_end  = "r.-rr.-.r.-rr.-.";

// Sections: chords; transposition; lead; flute; flute doubles the lead; echo; drums; bass;
// arpeggio style, sound, register, volume; pad volume, swell; crash bars; sweep bar; level;
// then, where they differ from 100, the bass's and the flute's own levels.
const section s_intro = {
    {am, am, f, g}, 0, nullptr, nullptr, false, false,
    {&intro_a, &intro_a, &intro_a, &intro_b}, {groove, groove, groove, groove_up},
    arp_chip_eighths, ins_arp, 44, 40, 0, false, 0x1, -1, 72};
const section s_intro_2 = {
    {am, am, f, e}, 0,
    "r:16 | C6:3 A5:3 C6:2 D6:3 C6:3 A5:2 | r:8 E5:2 G5:2 A5:2 C6:2 | B5:6v G#5:2 r:8", nullptr,
    false, true,
    {&intro_b, &intro_b, &intro_b, &intro_fill}, {groove, groove, groove, groove_up},
    arp_chip_eighths, ins_arp, 44, 44, 28, true, 0x0, 3, 66};
const section s_verse_1a = {
    {am, em, f, c}, 0,
    "r:2 E5:2 A5:2 B5:1 C6:3 B5:2 A5:2 E5:2 | G5:3 E5:3 B4:2 r:2 D5:2 E5:2 G5:2 | "
    "A5:3 G5:3 F5:2 E5:2 F5:2 A5:2 C6:2 | G5:8v r:4 E5:2 G5:2",
    nullptr, false, true,
    {&verse_a, &verse_b, &verse_a, &verse_b}, {tresillo, tresillo, tresillo_b, tresillo},
    arp_broken_up, ins_arp, 56, 30, 30, false, 0x1, -1, 72};
const section s_verse_1b = {
    {dm, am, bb, e}, 0,
    "F5:3 E5:3 D5:2 r:2 A4:2 D5:2 F5:2 | E5:3 C5:3 A4:2 r:2 C5:2 E5:2 A5:2 | "
    "D6:4 C6:2 Bb5:2 A5:2 Bb5:2 D6:4 | B5:6v G#5:2 E5:4 /B5:4",
    nullptr, false, true,
    {&verse_a, &verse_b, &verse_a, &verse_fill}, {tresillo, tresillo_b, tresillo, walk},
    arp_broken_up, ins_arp, 56, 30, 30, false, 0x0, -1, 74};
const section s_pre_1 = {
    {dm, em, f, g}, 0,
    "A4:2 D5:2 F5:2 A5:4 G5:2 F5:2 D5:2 | B4:2 E5:2 G5:2 B5:4 A5:2 G5:2 E5:2 | "
    "C5:2 F5:2 A5:2 C6:4 B5:2 A5:2 F5:2 | B5:2 C6:2 D6:4 E6:8w",
    nullptr, false, true,
    {&pre_a, &pre_b, &pre_c, &pre_roll}, {eighths, eighths, eighths, eighths_up},
    arp_chip_sixteenths, ins_arp, 50, 34, 34, false, 0x1, 3, 74};
const section s_chorus_1a = {
    {f, g, em, am}, 0,
    "C6:3 A5:3 C6:2 D6:3 C6:3 A5:2 | B5:3 G5:3 B5:2 D6:4 E6:2 D6:2 | "
    "E6:3 D6:3 B5:2 G5:4 /A5:2 B5:2 | C6:6v B5:2 A5:8v",
    nullptr, false, true,
    {&chorus_a, &chorus_a, &chorus_a, &chorus_b}, {offbeat, offbeat, offbeat, offbeat_b},
    arp_chip_eighths, ins_arp, 53, 30, 33, false, 0x1, -1, 90};
const section s_chorus_1b = {
    {f, g, c, e}, 0,
    "C6:3 A5:3 C6:2 D6:3 C6:3 A5:2 | B5:3 G5:3 B5:2 D6:3 E6:3 G6:2 | "
    "E6:4 D6:2 C6:2 G5:3 E5:3 G5:2 | G#5:6v B5:2 E6:4 D6:2 B5:2",
    nullptr, false, true,
    {&chorus_a, &chorus_b, &chorus_a, &chorus_fill}, {offbeat, offbeat_b, offbeat, offbeat},
    arp_chip_eighths, ins_arp, 53, 30, 33, false, 0x0, -1, 92};
const section s_interlude = {
    {am, g, f, e}, 0, nullptr,
    "E5:8v A5:8v | D5:8v G5:8v | C5:8v F5:8v | B4:8v /G#5:8w",
    false, false,
    {&half_a, &half_b, &half_a, &half_fill}, {half_time, half_time_b, half_time, half_time_b},
    arp_broken_wave, ins_arp, 57, 40, 26, false, 0x1, -1, 66, 75, 130};
const section s_verse_2a = {
    {am, em, f, c}, 0,
    "r:2 E5:1 E5:1 A5:2 B5:1 C6:3 D6:2 C6:2 B5:2 | G5:3 E5:3 B4:2 r:1 B4:1 D5:2 E5:2 G5:2 | "
    "A5:3 G5:3 F5:2 E5:2 F5:2 A5:2 E6:2 | D6:3 C6:3 G5:10v",
    nullptr, false, true,
    {&verse_b, &verse_a, &verse_b, &verse_a}, {walk, tresillo_b, walk, tresillo},
    arp_broken_wave, ins_arp, 56, 28, 30, false, 0x1, -1, 74};
const section s_verse_2b = {
    {dm, am, bb, e}, 0,
    "F5:3 E5:3 D5:2 r:2 A5:2 G5:2 F5:2 | E5:3 C5:3 A4:2 r:2 E5:1 F5:1 G5:2 A5:2 | "
    "D6:4 C6:2 Bb5:2 A5:2 G5:2 F5:2 E5:2 | G#5:3 A5:3 B5:2 E6:8v",
    nullptr, false, true,
    {&verse_b, &verse_a, &verse_b, &tom_fill}, {tresillo_b, walk, tresillo_b, walk},
    arp_broken_wave, ins_arp, 56, 28, 30, false, 0x0, -1, 76};
const section s_pre_2 = {
    {dm, em, f, g}, 0,
    "D5:1 F5:1 A5:2 D6:4 C6:2 A5:2 F5:4 | E5:1 G5:1 B5:2 E6:4 D6:2 B5:2 G5:4 | "
    "F5:1 A5:1 C6:2 F6:4 E6:2 C6:2 A5:4 | G5:2 B5:2 D6:2 G6:2 F6:2 E6:2 D6:2 B5:2",
    nullptr, false, true,
    {&pre_b, &pre_c, &pre_c, &pre_roll}, {eighths_up, eighths, eighths_up, pulse},
    arp_chip_sixteenths, ins_arp, 56, 34, 36, false, 0x1, 3, 80};
const section s_chorus_2a = {
    {f, g, em, am}, 0,
    "C6:2 C6:1 A5:3 C6:2 D6:3 C6:3 A5:2 | B5:3 G5:3 B5:2 D6:4 /E6:2 D6:2 | "
    "E6:3 D6:3 B5:2 G5:2 A5:2 B5:2 D6:2 | C6:6v B5:2 A5:4 E6:4",
    nullptr, true, true,
    {&chorus_b, &chorus_b, &chorus_b, &chorus_a}, {gallop, gallop, gallop, gallop_b},
    arp_broken_up, ins_pluck, 53, 52, 33, false, 0xf, -1, 94};
const section s_chorus_2b = {
    {f, g, c, e}, 0,
    "C6:3 A5:3 C6:2 D6:3 C6:3 A5:2 | B5:3 G5:3 B5:2 D6:3 E6:3 G6:2 | "
    "/A6:4 G6:2 E6:2 C6:3 D6:3 E6:2 | G#5:4 A5:2 B5:2 E6:8w",
    nullptr, true, true,
    {&chorus_b, &chorus_a, &chorus_b, &tom_fill}, {gallop, gallop_b, gallop, offbeat},
    arp_broken_up, ins_pluck, 53, 52, 33, false, 0x1, -1, 96};
const section s_breakdown = {
    {f, c, dm, am}, 0,
    "C5:6v A4:2 C5:4 D5:4 | E5:6v G5:2 E5:4 C5:4 | D5:6v F5:2 A5:4 F5:4 | E5:12w r:4",
    nullptr, false, true,
    {&hats_only, &hats_only, &hats_only, nullptr}, {held, held, held_slide, held},
    arp_broken_eighths, ins_bell, 44, 48, 30, true, 0x1, -1, 46};
const section s_build = {
    {f, c, e, e}, 0,
    "C5:2 F5:2 A5:2 C6:2 A5:2 F5:2 C5:2 F5:2 | C5:2 E5:2 G5:2 C6:2 G5:2 E5:2 C5:2 E5:2 | "
    "B4:2 E5:2 G#5:2 B5:2 E6:4 D6:4 | B5:8 r:8",
    nullptr, false, true,
    {&build_kick, &build_kick, &build_roll8, &build_roll}, {pulse, pulse, pulse, eighths_up},
    arp_chip_sixteenths, ins_arp, 56, 30, 36, false, 0x0, 3, 58};
// The last chorus, a tone higher, with the flute's counter-melody.
const section s_climax_a = {
    {f, g, em, am}, 2,
    "C6:3 A5:3 C6:2 D6:3 C6:3 A5:1 C6:1 | B5:3 G5:3 B5:2 D6:4 E6:2 G6:2 | "
    "E6:3 D6:3 B5:2 G5:2 A5:2 B5:2 D6:2 | /E6:6v D6:2 C6:4 B5:2 A5:2",
    "A4:8 C5:8v | B4:8 D5:8v | G4:8 B4:4 E5:4 | E5:8v C5:4 A4:4",
    false, true,
    {&chorus_b, &chorus_b, &chorus_b, &chorus_b}, {gallop, gallop, gallop, gallop_b},
    arp_broken_wave, ins_arp, 50, 28, 34, false, 0xf, -1, 100};
const section s_climax_b = {
    {f, g, am, am}, 2,
    "C6:3 A5:3 C6:2 D6:3 C6:3 A5:2 | B5:3 G5:3 B5:2 D6:3 E6:3 G6:2 | "
    "A6:6v G6:2 E6:4 C6:2 D6:2 | E6:4 D6:2 C6:2 B5:2 C6:2 A5:4",
    "A4:8 C5:8v | B4:8 D5:8v | C5:8 E5:8v | A4:8 E5:4 A5:4",
    false, true,
    {&chorus_b, &chorus_b, &chorus_b, &chorus_fill}, {gallop, gallop, gallop, gallop_b},
    arp_broken_wave, ins_arp, 50, 28, 34, false, 0xf, -1, 100};
const section s_outro_a = {
    {g, am, f, g}, 0,
    "D6:3 B5:3 G5:2 r:8 | C6:3 A5:3 E5:2 r:8 | A5:3 F5:3 C5:2 r:8 | B5:3 G5:3 D5:2 r:8",
    nullptr, false, true,
    {&chorus_a, &intro_b, &intro_b, &intro_b}, {groove, groove, groove, groove_up},
    arp_chip_eighths, ins_arp, 56, 40, 30, false, 0x3, -1, 84};
const section s_outro_b = {
    {am, f, dm, e}, 0, nullptr, nullptr, false, false,
    {&intro_b, &intro_b, &intro_a, &outro_fill}, {groove, groove, groove, outro_end},
    arp_chip_eighths, ins_arp, 44, 40, 26, false, 0x0, -1, 82};
// clang-format on

} // namespace

xm_module make_theme() {
    xm_module m;
    m.name = "theme";
    m.channels = score_channels;
    m.speed = 6;
    m.bpm = 128;
    m.instruments = make_theme_instruments();
    for (const section *s :
         {&s_intro, &s_intro_2, &s_verse_1a, &s_verse_1b, &s_pre_1, &s_chorus_1a, &s_chorus_1b,
          &s_interlude, &s_verse_2a, &s_verse_2b, &s_pre_2, &s_chorus_2a, &s_chorus_2b,
          &s_breakdown, &s_build, &s_climax_a, &s_climax_b, &s_outro_a, &s_outro_b})
        m.patterns.push_back(make_section(*s, m.instruments));

    // The intro sets speed and tempo itself, so a player restarting the song starts in time.
    xm_pattern &first = m.patterns.front();
    cell_at(first, 0, ch_tom).effect = 0xf;
    cell_at(first, 0, ch_tom).param = static_cast<uint8_t>(m.speed);
    cell_at(first, 0, ch_snare).effect = 0xf;
    cell_at(first, 0, ch_snare).param = static_cast<uint8_t>(m.bpm);

    // The end hands over to the start: what still holds in the last bar is let go early
    // enough to have faded when a player that cuts every voice at the restart reaches it.
    xm_pattern &end = m.patterns.back();
    for (int ch : {ch_pad_left, ch_pad_right, ch_arp}) {
        for (int r = 56; r < score_rows; ++r)
            cell_at(end, r, ch) = xm_cell{};
        cell_at(end, 56, ch).note = xm_key_off;
    }

    for (int i = 0; i < static_cast<int>(m.patterns.size()); ++i)
        m.orders.push_back(static_cast<uint8_t>(i));
    return m;
}
