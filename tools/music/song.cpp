// The theme: an upbeat A-minor tune at 128 BPM. Each 64-row pattern is four bars of four beats,
// a row being a sixteenth note, with one chord per bar. Intro, verse, chorus, breakdown, build
// and an outro that settles on E major so the restart on the intro's A minor resolves it.
#include "song.h"

#include "instruments.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

const int channels = 10;
const int rows = 64;
const int c4 = 49; // every drum is played at the pitch it was made at
enum channel {
    ch_lead,
    ch_echo,
    ch_arp,
    ch_bass,
    ch_pad_a,
    ch_pad_b,
    ch_kick,
    ch_snare,
    ch_hat,
    ch_crash
};

enum pitch_class { pc_c = 0, pc_d = 2, pc_e = 4, pc_f = 5, pc_g = 7, pc_a = 9 };

struct chord {
    int root; // pitch class
    bool minor;
};

enum drum_style { drums_none, drums_hats, drums_kick_hats, drums_full };
enum fill_style { fill_none, fill_snare, fill_roll };

// Everything that differs between sections; the builders below turn it into cells.
struct section {
    chord chords[4];
    const char *melody;  // see place_melody
    drum_style drums[4]; // per bar
    fill_style fill;     // in the last bar
    bool crash;          // on the first row
    int arp_step;        // rows between arpeggio triggers
    int arp_volume;
    bool bass;
    bool bass_sparse;
};

xm_cell &at(xm_pattern &p, int row, int ch) {
    return p.cells[row * channels + ch];
}

void put(xm_pattern &p, int row, int ch, int note, int instrument, int volume = -1) {
    xm_cell &c = at(p, row, ch);
    c.note = static_cast<uint8_t>(note);
    c.instrument = static_cast<uint8_t>(instrument);
    if (volume >= 0)
        c.volume = static_cast<uint8_t>(0x10 + volume);
}

void effect(xm_pattern &p, int row, int ch, int fx, int param) {
    at(p, row, ch).effect = static_cast<uint8_t>(fx);
    at(p, row, ch).param = static_cast<uint8_t>(param);
}

// The note of pitch class `pc` at or above XM note `lowest`, within one octave.
int note_from(int pc, int lowest) {
    int note = 1 + pc;
    while (note < lowest)
        note += 12;
    return note;
}

// "A4:4 C#5:2 r:2 -:4": note name and octave, or r (key-off) or - (hold), then length in rows.
// Lead notes held six rows or more get vibrato after their attack.
void place_melody(xm_pattern &p, const char *melody) {
    std::istringstream in(melody);
    std::string token;
    int row = 0;
    while (in >> token) {
        if (token == "|")
            continue;
        const size_t colon = token.find(':');
        const std::string name = token.substr(0, colon);
        const int length = std::atoi(token.c_str() + colon + 1);
        if (name == "r") {
            put(p, row, ch_lead, xm_key_off, 0);
        } else if (name != "-") {
            static const int semitone[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
            int pc = semitone[name[0] - 'A'];
            size_t i = 1;
            if (name[i] == '#') {
                ++pc;
                ++i;
            }
            const int octave = name[i] - '0';
            put(p, row, ch_lead, 1 + octave * 12 + pc, ins_lead);
            for (int r = row + 3; length >= 6 && r < row + length; ++r)
                effect(p, r, ch_lead, 0x4, 0x54);
        }
        row += length;
    }
    if (row != rows) {
        std::fprintf(stderr, "make-music: a melody spans %d rows, not %d: %s\n", row, rows, melody);
        std::exit(1);
    }
    // The echo repeats the lead a dotted eighth later, quieter and to the right.
    for (int r = rows - 1 - 3; r >= 0; --r) {
        const xm_cell &lead = at(p, r, ch_lead);
        xm_cell &echo = at(p, r + 3, ch_echo);
        echo = lead;
        if (lead.note && lead.note != xm_key_off)
            echo.instrument = ins_lead_echo;
    }
}

void place_harmony(xm_pattern &p, const section &s) {
    for (int bar = 0; bar < 4; ++bar) {
        const chord c = s.chords[bar];
        const int start = bar * 16;
        // Pads alternate between two channels so each chord's release overlaps the next.
        const int pad = bar % 2 ? ch_pad_b : ch_pad_a;
        const int other = bar % 2 ? ch_pad_a : ch_pad_b;
        put(p, start, pad, note_from(c.root, 41), c.minor ? ins_pad_minor : ins_pad_major);
        put(p, start, other, xm_key_off, 0);

        const int arp_note = note_from(c.root, 55);
        for (int r = start; r < start + 16; ++r) {
            effect(p, r, ch_arp, 0x0, c.minor ? 0x37 : 0x47);
            if ((r - start) % s.arp_step == 0)
                put(p, r, ch_arp, arp_note, ins_arp,
                    (r - start) % 4 == 0 ? s.arp_volume : s.arp_volume * 3 / 4);
        }

        if (!s.bass)
            continue;
        static const int octave_jumps[8] = {0, 0, 12, 0, 0, 12, 0, 12};
        const int bass_note = note_from(c.root, 29);
        for (int step = 0; step < 8; ++step) {
            if (s.bass_sparse && step % 4 != 0)
                continue;
            put(p, start + step * 2, ch_bass, bass_note + octave_jumps[step], ins_bass,
                step % 2 ? 44 : 54);
        }
    }
}

void place_drums(xm_pattern &p, const section &s) {
    for (int bar = 0; bar < 4; ++bar) {
        const int start = bar * 16;
        const drum_style d = s.drums[bar];
        for (int r = 0; r < 16; ++r) {
            const int row = start + r;
            if (d >= drums_kick_hats && r % 4 == 0)
                put(p, row, ch_kick, c4, ins_kick);
            if (d == drums_full && (r == 4 || r == 12))
                put(p, row, ch_snare, c4, ins_snare);
            if (d >= drums_hats && r % 4 == 2)
                put(p, row, ch_hat, c4, d == drums_full ? ins_open_hat : ins_closed_hat);
            else if (d == drums_full && r % 2 == 1)
                put(p, row, ch_hat, c4, ins_closed_hat, r % 4 == 1 ? 38 : 52);
        }
    }
    if (s.fill == fill_snare) {
        for (int r = 56; r < 64; ++r)
            if (r == 58 || r >= 60)
                put(p, r, ch_snare, c4, ins_snare, 44 + (r - 56) * 2);
    } else if (s.fill == fill_roll) {
        for (int r = 48; r < 64; ++r)
            if (r >= 56 || r % 2 == 0)
                put(p, r, ch_snare, c4, ins_snare, 16 + (r - 48) * 3);
    }
    if (s.crash)
        put(p, 0, ch_crash, c4, ins_crash);
}

xm_pattern make_pattern(const section &s) {
    xm_pattern p;
    p.rows = rows;
    p.cells.assign(rows * channels, xm_cell{});
    place_harmony(p, s);
    place_drums(p, s);
    if (s.melody)
        place_melody(p, s.melody);
    return p;
}

const chord a_minor{pc_a, true}, d_minor{pc_d, true}, e_minor{pc_e, true};
const chord f_major{pc_f, false}, c_major{pc_c, false}, g_major{pc_g, false}, e_major{pc_e, false};

} // namespace

xm_module make_theme() {
    xm_module m;
    m.name = "theme";
    m.channels = channels;
    m.speed = 6;
    m.bpm = 128;
    m.instruments = make_theme_instruments();

    // clang-format off
    // Per section: chords, lead melody, drums per bar, last-bar fill, crash on the first row,
    // rows per arpeggio trigger, arpeggio volume, bass, bass only twice a bar.
    const section intro = {
        {a_minor, f_major, c_major, g_major}, nullptr,
        {drums_none, drums_none, drums_hats, drums_hats}, fill_none, false, 2, 44, false, false};
    const section intro_bass = {
        {a_minor, f_major, c_major, g_major}, "r:16 | r:16 | r:16 | r:8 E5:2 D5:2 C5:2 B4:2",
        {drums_kick_hats, drums_kick_hats, drums_kick_hats, drums_kick_hats},
        fill_snare, false, 2, 48, true, false};
    const section verse_a = {
        {a_minor, f_major, c_major, g_major},
        "A4:4 C5:2 E5:2 A5:4 G5:2 E5:2 | F5:6 E5:2 C5:4 A4:4 | "
        "G4:2 C5:2 E5:4 G5:2 E5:2 D5:2 C5:2 | D5:8 B4:4 G4:4",
        {drums_full, drums_full, drums_full, drums_full}, fill_none, true, 2, 48, true, false};
    const section verse_b = {
        {a_minor, f_major, c_major, g_major},
        "A4:2 C5:2 E5:2 A5:2 C6:4 B5:2 A5:2 | A5:6 G5:2 F5:4 E5:4 | "
        "E5:4 G5:4 C6:6 B5:2 | B5:8 A5:4 G5:4",
        {drums_full, drums_full, drums_full, drums_full}, fill_snare, false, 2, 48, true, false};
    const section chorus_a = {
        {f_major, g_major, e_minor, a_minor},
        "C6:6 A5:2 F5:4 C6:4 | D6:6 B5:2 G5:4 D6:4 | "
        "E6:4 D6:2 B5:2 G5:4 B5:4 | A5:12 E5:2 G5:2",
        {drums_full, drums_full, drums_full, drums_full}, fill_none, true, 2, 50, true, false};
    const section chorus_b = {
        {f_major, g_major, c_major, e_major},
        "C6:6 A5:2 F5:4 C6:4 | D6:6 E6:2 D6:4 B5:4 | "
        "C6:4 G5:2 E5:2 G5:4 C6:4 | B5:8 G#5:4 E5:4",
        {drums_full, drums_full, drums_full, drums_full}, fill_snare, false, 2, 50, true, false};
    const section breakdown = {
        {d_minor, a_minor, f_major, e_major},
        "F5:8 E5:4 D5:4 | E5:8 C5:4 A4:4 | C5:8 A4:4 C5:4 | B4:8 G#4:4 E5:4",
        {drums_hats, drums_hats, drums_hats, drums_none}, fill_roll, true, 4, 46, true, true};
    const section build = {
        {a_minor, f_major, c_major, g_major},
        "A5:4 E5:2 A5:2 C6:4 B5:4 | A5:4 F5:2 A5:2 C6:4 A5:4 | "
        "G5:4 E5:2 G5:2 C6:4 E6:4 | D6:8 B5:4 G5:4",
        {drums_full, drums_full, drums_full, drums_full}, fill_snare, true, 2, 50, true, false};
    const section outro = {
        {a_minor, f_major, c_major, e_major},
        "A5:8 E5:4 C5:4 | F5:8 A5:4 C6:4 | G5:8 E5:4 C5:4 | B4:6 G#4:4 r:6",
        {drums_full, drums_full, drums_kick_hats, drums_hats}, fill_none, true, 2, 48, true, false};
    // clang-format on

    for (const section *s : {&intro, &intro_bass, &verse_a, &verse_b, &chorus_a, &chorus_b,
                             &breakdown, &build, &outro})
        m.patterns.push_back(make_pattern(*s));

    // The intro sets speed and tempo itself, so a player restarting the song starts in time.
    effect(m.patterns[0], 0, ch_snare, 0xf, 6);
    effect(m.patterns[0], 0, ch_crash, 0xf, 128);

    // The outro winds down: the bass and hats stop after three beats of the last bar, and the
    // lead, its echo, the arpeggio and the pad are released early enough to have died away
    // when the player restarts the song on the intro, which cuts whatever still sounds.
    xm_pattern &end = m.patterns[8];
    for (int r = 52; r < rows; ++r) {
        at(end, r, ch_bass) = xm_cell{};
        at(end, r, ch_hat) = xm_cell{};
    }
    for (int r = 48; r < rows; ++r)
        if (at(end, r, ch_arp).note)
            at(end, r, ch_arp).volume = static_cast<uint8_t>(0x10 + 48 - (r - 48) * 2);
    for (int r = 57; r < rows; ++r) {
        at(end, r, ch_arp) = xm_cell{};
        at(end, r, ch_echo) = xm_cell{};
    }
    put(end, 57, ch_echo, xm_key_off, 0);
    put(end, 56, ch_arp, xm_key_off, 0);
    put(end, 52, ch_pad_b, xm_key_off, 0);

    m.orders = {0, 1, 2, 3, 4, 5, 6, 7, 2, 3, 4, 5, 8};
    return m;
}
