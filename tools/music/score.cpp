// Turns the score's text and step strings into pattern cells. Every effect written here is
// one that both libmikmod and libopenmpt play alike: arpeggio (0xy), tone portamento (3xx)
// with an explicit speed, vibrato (4xy) and volume slide (Axy), never relying on effect memory.
#include "score.h"

#include "instruments.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace {

const int drum_note = 49; // C-4: every drum is played at the pitch it was made at

void put(xm_pattern &p, int row, int ch, int note, int instrument, int volume = -1) {
    xm_cell &c = cell_at(p, row, ch);
    c.note = static_cast<uint8_t>(note);
    c.instrument = static_cast<uint8_t>(instrument);
    if (volume >= 0)
        c.volume = static_cast<uint8_t>(0x10 + volume);
}

void effect(xm_pattern &p, int row, int ch, int fx, int param) {
    cell_at(p, row, ch).effect = static_cast<uint8_t>(fx);
    cell_at(p, row, ch).param = static_cast<uint8_t>(param);
}

[[noreturn]] void fail(const char *what, const char *text) {
    std::fprintf(stderr, "make-music: %s: %s\n", what, text);
    std::exit(1);
}

// The note of pitch class `pc` at or above XM note `lowest`, within one octave.
int note_from(int pc, int lowest) {
    int note = 1 + ((pc % 12) + 12) % 12;
    while (note < lowest)
        note += 12;
    return note;
}

// A step's hit: -1 none, else the volume (64 for 'x').
int hit_volume(char c) {
    if (c == 'x' || c == 'O' || c == 'h' || c == 'm' || c == 'l')
        return 64;
    if (c >= '1' && c <= '9')
        return (c - '0') * 7 + 1;
    return -1;
}

void check_steps(const char *steps) {
    if (steps && std::strlen(steps) != 16)
        fail("a bar is not sixteen steps", steps);
}

void place_drum_bar(xm_pattern &p, int start, const drum_bar &d) {
    for (const char *line : {d.kick, d.snare, d.hat, d.tom})
        check_steps(line);
    for (int r = 0; r < 16; ++r) {
        const int row = start + r;
        if (d.kick && hit_volume(d.kick[r]) >= 0)
            put(p, row, ch_kick, drum_note, ins_kick, hit_volume(d.kick[r]));
        if (d.snare && hit_volume(d.snare[r]) >= 0)
            put(p, row, ch_snare, drum_note, ins_snare, hit_volume(d.snare[r]));
        if (d.hat && d.hat[r] == 'O')
            put(p, row, ch_hat, drum_note, ins_open_hat);
        else if (d.hat && hit_volume(d.hat[r]) >= 0)
            put(p, row, ch_hat, drum_note, ins_closed_hat,
                std::min(64, hit_volume(d.hat[r]) * 3 / 2));
        if (d.tom && hit_volume(d.tom[r]) >= 0)
            put(p, row, ch_tom,
                drum_note + (d.tom[r] == 'h'   ? 5
                             : d.tom[r] == 'l' ? -5
                                               : 0),
                ins_tom);
    }
}

void place_bass_bar(xm_pattern &p, int start, bass_bar bar, chord c, int transpose) {
    check_steps(bar);
    const int root = note_from(c.root + transpose, 24);
    for (int r = 0; r < 16; ++r) {
        const int row = start + r;
        const int volume = r % 4 == 0 ? 51 : r % 2 == 0 ? 43 : 37;
        switch (bar[r]) {
        case 'r':
            put(p, row, ch_bass, root, ins_bass, volume);
            break;
        case 'o':
            put(p, row, ch_bass, root + 12, ins_bass, volume);
            break;
        case 'f':
            put(p, row, ch_bass, root + 7, ins_bass, volume);
            break;
        case 't':
            put(p, row, ch_bass, root + (c.minor ? 3 : 4), ins_bass, volume);
            break;
        case 's':
            put(p, row, ch_bass, root + (c.minor ? 10 : 9), ins_bass, volume);
            break;
        case 'p':
        case 'd':
            // Two rows of glide at two semitones a tick cover the octave.
            put(p, row, ch_bass, bar[r] == 'p' ? root + 12 : root, 0);
            effect(p, row, ch_bass, 0x3, 0x20);
            if (r + 1 < 16 && bar[r + 1] == '.')
                effect(p, row + 1, ch_bass, 0x3, 0x20);
            break;
        case '-':
            put(p, row, ch_bass, xm_key_off, 0);
            break;
        case '.':
            break;
        default:
            fail("unknown bass step", bar);
        }
    }
}

void place_arp(xm_pattern &p, const section &s) {
    for (int bar = 0; bar < 4; ++bar) {
        const chord c = s.chords[bar];
        const int start = bar * 16;
        const int root = note_from(c.root + s.transpose, s.arp_lowest);
        const int third = c.minor ? 3 : 4;
        const int up[4] = {0, third, 7, 12};
        const int wave[8] = {0, third, 7, 12, 12 + third, 12, 7, third};
        for (int r = 0; r < 16; ++r) {
            const int row = start + r;
            const int accent = r % 4 == 0 ? s.arp_volume : s.arp_volume * 3 / 4;
            switch (s.arp) {
            case arp_none:
                break;
            case arp_chip_eighths:
            case arp_chip_sixteenths:
                effect(p, row, ch_arp, 0x0, c.minor ? 0x37 : 0x47);
                if (s.arp == arp_chip_sixteenths || r % 2 == 0)
                    put(p, row, ch_arp, root, s.arp_instrument, accent);
                break;
            case arp_broken_up:
                put(p, row, ch_arp, root + up[r % 4], s.arp_instrument, accent);
                break;
            case arp_broken_wave:
                put(p, row, ch_arp, root + wave[r % 8], s.arp_instrument, accent);
                break;
            case arp_broken_eighths:
                if (r % 2 == 0)
                    put(p, row, ch_arp, root + wave[r / 2], s.arp_instrument,
                        r % 8 == 0 ? s.arp_volume : s.arp_volume * 3 / 4);
                break;
            }
        }
    }
}

void place_pads(xm_pattern &p, const section &s) {
    if (s.pad_volume == 0)
        return;
    for (int bar = 0; bar < 4; ++bar) {
        const chord c = s.chords[bar];
        if (bar > 0 && c.root == s.chords[bar - 1].root && c.minor == s.chords[bar - 1].minor)
            continue; // the same chord again is held
        const int start = bar * 16;
        const int note = note_from(c.root + s.transpose, 41);
        const int volume = s.pad_swell ? 8 : s.pad_volume;
        put(p, start, ch_pad_left, note, c.minor ? ins_pad_minor_left : ins_pad_major_left, volume);
        put(p, start, ch_pad_right, note, c.minor ? ins_pad_minor_right : ins_pad_major_right,
            volume);
        if (!s.pad_swell)
            continue;
        // Five ticks of +1 per row after the first: the pads reach their level in a bar or so.
        for (int r = 1; r < 16 && 8 + r * 5 <= s.pad_volume; ++r) {
            effect(p, start + r, ch_pad_left, 0xa, 0x10);
            effect(p, start + r, ch_pad_right, 0xa, 0x10);
        }
    }
}

void place_echo(xm_pattern &p) {
    for (int r = score_rows - 1 - 3; r >= 0; --r) {
        const xm_cell &lead = cell_at(p, r, ch_lead);
        xm_cell &echo = cell_at(p, r + 3, ch_echo);
        echo = lead;
        if (lead.instrument)
            echo.instrument = ins_lead_echo;
    }
}

// The mixing desk: each channel's share of the section's level, in percent. The lead plays at
// full volume; bass and drums sit a little back from it and the pads a little forward, so that
// the tune stands over the groove and the pads still lie under the tune.
int mix_percent(const section &s, int channel) {
    switch (channel) {
    case ch_bass:
        return 79 * s.bass_level / 100;
    case ch_kick:
    case ch_snare:
    case ch_hat:
    case ch_tom:
    case ch_fx:
        return 79;
    case ch_pad_left:
    case ch_pad_right:
        return 112;
    case ch_flute:
        return s.flute_level;
    default:
        return 100;
    }
}

} // namespace

xm_cell &cell_at(xm_pattern &p, int row, int channel) {
    return p.cells[row * score_channels + channel];
}

void place_melody(xm_pattern &p, int channel, int instrument, const char *melody, int transpose) {
    std::istringstream in(melody);
    std::string token;
    int row = 0;
    bool sounding = false;
    while (in >> token) {
        if (token == "|")
            continue;
        const size_t colon = token.find(':');
        if (colon == std::string::npos)
            fail("a melody token has no length", melody);
        std::string name = token.substr(0, colon);
        const int length = std::atoi(token.c_str() + colon + 1);
        if (length <= 0 || row + length > score_rows)
            fail("a melody runs past its pattern", melody);
        if (name == "r") {
            put(p, row, channel, xm_key_off, 0);
            sounding = false;
        } else if (name != "-") {
            const bool glide = name[0] == '/';
            if (glide)
                name.erase(0, 1);
            const char mark = token.back();
            const int vibrato = mark == 'v' ? 0x54 : mark == 'w' ? 0x68 : 0;
            static const int semitone[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
            if (name.empty() || name[0] < 'A' || name[0] > 'G')
                fail("a melody note has no name", melody);
            int pc = semitone[name[0] - 'A'];
            size_t i = 1;
            if (i < name.size() && name[i] == '#')
                ++pc, ++i;
            else if (i < name.size() && name[i] == 'b')
                --pc, ++i;
            if (i + 1 != name.size() || name[i] < '0' || name[i] > '8')
                fail("a melody note has no octave", melody);
            const int note = 1 + (name[i] - '0') * 12 + pc + transpose;
            if (glide && sounding) {
                // A semitone a tick, for up to three rows.
                put(p, row, channel, note, 0);
                for (int r = row; r < row + length && r < row + 3; ++r)
                    effect(p, r, channel, 0x3, 0x10);
            } else {
                put(p, row, channel, note, instrument);
            }
            for (int r = row + 3; vibrato && r < row + length; ++r)
                effect(p, r, channel, 0x4, vibrato);
            sounding = true;
        }
        row += length;
    }
    if (row != score_rows) {
        std::fprintf(stderr, "make-music: a melody spans %d rows, not %d: %s\n", row, score_rows,
                     melody);
        std::exit(1);
    }
}

xm_pattern make_section(const section &s, const std::vector<xm_instrument> &instruments) {
    xm_pattern p;
    p.rows = score_rows;
    p.cells.assign(score_rows * score_channels, xm_cell{});
    for (int bar = 0; bar < 4; ++bar) {
        if (s.drums[bar])
            place_drum_bar(p, bar * 16, *s.drums[bar]);
        if (s.bass[bar])
            place_bass_bar(p, bar * 16, s.bass[bar], s.chords[bar], s.transpose);
        else if (bar == 0 || s.bass[bar - 1])
            put(p, bar * 16, ch_bass, xm_key_off, 0);
        if (s.crash_bars & (1u << bar))
            put(p, bar * 16, ch_fx, drum_note, ins_crash);
    }
    if (s.sweep_bar >= 0)
        put(p, s.sweep_bar * 16, ch_fx, drum_note, ins_sweep);
    place_arp(p, s);
    place_pads(p, s);
    if (s.lead) {
        place_melody(p, ch_lead, ins_lead, s.lead, s.transpose);
        if (s.echo)
            place_echo(p);
    }
    if (s.flute)
        place_melody(p, ch_flute, ins_flute, s.flute, s.transpose);
    else if (s.flute_doubles_lead && s.lead)
        place_melody(p, ch_flute, ins_flute, s.lead, s.transpose - 12);
    // A melody left holding by the section before is let go.
    for (int ch : {ch_lead, ch_flute, ch_echo})
        if (!cell_at(p, 0, ch).note)
            cell_at(p, 0, ch).note = xm_key_off;

    for (int i = 0; i < static_cast<int>(p.cells.size()); ++i) {
        xm_cell &c = p.cells[i];
        if (!c.instrument || !c.note || c.note == xm_key_off)
            continue;
        const int volume = c.volume ? c.volume - 0x10 : instruments[c.instrument - 1].sample.volume;
        const int mixed = (volume * s.level * mix_percent(s, i % score_channels) + 5000) / 10000;
        c.volume = static_cast<uint8_t>(0x10 + std::min(64, mixed));
    }
    return p;
}
