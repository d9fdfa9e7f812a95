// Walking an XM module before the mixer reads it: refusing one that is cut short, full of
// garbage, taken for another format, or built so that the player (libmikmod, under
// SDL_mixer) would read outside what it loaded while it plays.
#include "module_check.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "media_bytes.h"
#include "media_file.h"
#include "screen_sound_media.h"

namespace {

enum {
    song_header_at = 60,         // the song header's size field
    envelope_points = 12,        // what an instrument header has room for
    player_envelope_points = 32, // what the player keeps, the points past 12 zero-filled
    player_most_samples = 96,    // the most samples in an instrument the player reads
    instrument_least = 29,       // an instrument header up to its number of samples
    instrument_needs = 241,      // an instrument header up to its volume fadeout
    sample_header_size = 40,     // the player steps by 40 whatever the header says
    modplug_adpcm = 0xAD,        // in a sample header's reserved byte: ModPlug's 4-bit ADPCM
    oldest_version = 0x0102,     // the versions the player reads
    newest_version = 0x0104,
};

// The notes, effects and pitch-changing commands a module's patterns use, gathered for
// the checks that need the whole song.
struct pattern_jump {
    unsigned pattern, row;
    bool is_break; // a pattern break to a row, or else a position jump to an order
    unsigned target;
};

struct song {
    unsigned version;
    std::uint64_t header_size; // from song_header_at: the song header and its order table
    unsigned orders, restart, channels, patterns, instruments, speed, tempo;
    bool linear_periods;
    const unsigned char *order;
    unsigned rows[256];
    std::vector<pattern_jump> jumps;
    int highest_note = -1;         // note index 0..95 of the highest note played
    bool unbounded_slides = false; // portamento up or down: any period can be reached
    bool arpeggio = false;         // up to 15 semitones above the note
    bool vibrato = false;          // up to 116 period units above the note
    bool finetune_command = false; // E5x sets a finetune up to +15
    bool retrigger = false;        // E9x or Rxx starts a sample again without a note
    unsigned largest_offset = 0;   // 9xx, in samples
    // Where each instrument is first played, as pattern * 256 + row, plus one; 0: never.
    unsigned first_played[256] = {};
    unsigned sample_count[256] = {}; // of each instrument, numbered from 1 as in patterns
    unsigned instruments_read = 0;   // where the file ends inside an instrument: those before
    bool envelope_on = false;        // some instrument has a volume or panning envelope
};

struct sample {
    unsigned instrument, index;
    std::uint32_t bytes;                        // of its data in the file
    std::uint32_t length, loop_start, loop_end; // in samples; loop_end 0: no loop
    bool ping_pong;
    int relative_note, finetune;
    unsigned auto_vibrato_depth;
};

bool has_text(const unsigned char *d, std::size_t size, std::size_t offset, const char *text) {
    const std::size_t n = std::strlen(text);
    return offset + n <= size && std::memcmp(d + offset, text, n) == 0;
}

bool digit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// The player asks the loaders of other formats before the XM loader whether a file is
// theirs, and the first that says yes reads it. Those that look at the first bytes cannot
// claim a file that starts "Extended Module: "; these look elsewhere.
const char *claimed_by_another_loader(const unsigned char *d, std::size_t size,
                                      std::size_t *offset) {
    static const char *const stm_trackers[] = {"!Scream!", "BMOD2STM", "WUZAMOD!"};
    if (size >= 1084) {
        const unsigned char *id = d + 1080; // MOD: the sample table's end
        const bool mod = std::memcmp(id, "M.K.", 4) == 0 || std::memcmp(id, "M!K!", 4) == 0 ||
                         ((std::memcmp(id, "FLT", 3) == 0 || std::memcmp(id, "EXO", 3) == 0) &&
                          (id[3] == '4' || id[3] == '8')) ||
                         std::memcmp(id, "OKTA", 4) == 0 || std::memcmp(id, "CD81", 4) == 0 ||
                         (digit(id[0]) && std::memcmp(id + 1, "CHN", 3) == 0) ||
                         (digit(id[0]) && digit(id[1]) &&
                          (std::memcmp(id + 2, "CH", 2) == 0 || std::memcmp(id + 2, "CN", 2) == 0));
        if (mod) {
            *offset = 1080;
            return "a MOD";
        }
    }
    if (has_text(d, size, 0x3c, "IM10")) {
        *offset = 0x3c;
        return "an Imago Orpheus module";
    }
    if (has_text(d, size, 0x2c, "SCRM")) {
        *offset = 0x2c;
        return "a Scream Tracker 3 module";
    }
    for (const char *tracker : stm_trackers) {
        if (has_text(d, size, 20, tracker) && size > 29 && d[29] == 2 &&
            !has_text(d, size, 60, "SCRM")) {
            *offset = 20;
            return "a Scream Tracker 2 module";
        }
        if (has_text(d, size, 20, tracker) && has_text(d, size, 0x3c, "SCRM")) {
            *offset = 20;
            return "an STMIK module";
        }
    }
    return nullptr;
}

// The file begins as an XM module does, and no other format's loader claims it first.
bool check_signatures(const unsigned char *d, std::size_t size, char *why, std::size_t why_size) {
    static const char magic[] = "Extended Module: ";
    if (size < song_header_at + 20 || std::memcmp(d, magic, sizeof magic - 1) != 0 || d[37] != 0x1a)
        return refuse(why, why_size, "not an XM module (%zu bytes)", size);
    std::size_t signature_at = 0;
    if (const char *other = claimed_by_another_loader(d, size, &signature_at))
        return refuse(why, why_size,
                      "it carries the signature of %s at byte %zu, so the player would read it "
                      "as one",
                      other, signature_at);
    return true;
}

void read_song_header(const unsigned char *d, song *s) {
    s->version = read_u16(d + 58);
    s->header_size = read_u32(d + song_header_at);
    s->orders = read_u16(d + 64);
    s->restart = read_u16(d + 66);
    s->channels = read_u16(d + 68);
    s->patterns = read_u16(d + 70);
    s->instruments = read_u16(d + 72);
    s->linear_periods = read_u16(d + 74) & 1;
    s->speed = read_u16(d + 76);
    s->tempo = read_u16(d + 78);
    s->order = d + 80;
}

// A version the player reads, counts it accepts, a song header holding the order table
// inside the file, a restart inside the song, a speed and tempo it plays, and orders that
// name only patterns there are.
bool check_song_header(const song &s, std::size_t size, char *why, std::size_t why_size) {
    if (s.version < oldest_version || s.version > newest_version)
        return refuse(why, why_size, "XM version %x.%02x; the player reads 1.02 to 1.04",
                      s.version >> 8, s.version & 0xff);
    if (s.orders < 1 || s.orders > 256 || s.channels < 1 || s.channels > 64 || s.patterns < 1 ||
        s.patterns > 256 || s.instruments < 1 || s.instruments > 128)
        return refuse(why, why_size, "refusing %u orders, %u channels, %u patterns, %u instruments",
                      s.orders, s.channels, s.patterns, s.instruments);
    if (s.header_size < 20 + s.orders || s.header_size > 20 + 256 ||
        song_header_at + s.header_size > size)
        return refuse(why, why_size, "song header of %llu bytes in a file of %zu",
                      static_cast<unsigned long long>(s.header_size), size);
    if (s.restart >= s.orders || s.speed < 1 || s.speed > 31 || s.tempo < 32 || s.tempo > 255)
        return refuse(why, why_size, "refusing restart at order %u, speed %u, tempo %u", s.restart,
                      s.speed, s.tempo);
    for (unsigned i = 0; i < s.orders; ++i)
        if (s.order[i] >= s.patterns)
            return refuse(why, why_size, "order %u names pattern %u of %u", i, s.order[i],
                          s.patterns);
    return true;
}

// Reads one packed note as the player's loader does: a first byte with the top bit set
// says which of the five fields follow, any other first byte is the note of a full one.
std::size_t read_note(const unsigned char *p, unsigned char cell[5]) {
    std::memset(cell, 0, 5);
    if (!(p[0] & 0x80)) {
        std::memcpy(cell, p, 5);
        return 5;
    }
    std::size_t n = 1;
    for (int field = 0; field < 5; ++field)
        if (p[0] & 1 << field)
            cell[field] = p[n++];
    return n;
}

// A position jump (Bxx) must land inside the song; it and a pattern break (Dxx) are kept
// for check_breaks.
bool note_jump(song *s, unsigned pattern, unsigned row, unsigned effect, unsigned data, char *why,
               std::size_t why_size) {
    // The loader reads a break's row as two decimal digits when it can.
    const int target = effect == 0xb ? static_cast<int>(data)
                       : (data >> 4) <= 9 && (data & 0xf) <= 9
                           ? static_cast<int>((data >> 4) * 10 + (data & 0xf))
                           : static_cast<int>(data);
    if (effect == 0xb && target >= static_cast<int>(s->orders))
        return refuse(why, why_size, "pattern %u row %u jumps to order %d of a song of %u orders",
                      pattern, row, target, s->orders);
    s->jumps.push_back({pattern, row, effect == 0xd, static_cast<unsigned>(target)});
    return true;
}

// What an extended effect (Exy) does to the pitch or the sample's start.
void note_extended_effect(song *s, unsigned data) {
    switch (data >> 4) {
    case 0x1:
    case 0x2:
        s->unbounded_slides = true;
        break;
    case 0x5:
        s->finetune_command = true;
        break;
    case 0x9:
        s->retrigger = true;
        break;
    }
}

// What one note's volume column and effect do that the later checks care about.
bool note_facts(song *s, unsigned pattern, unsigned row, const unsigned char cell[5], char *why,
                std::size_t why_size) {
    const unsigned note = cell[0], instrument = cell[1], volume = cell[2], effect = cell[3],
                   data = cell[4];
    if (instrument && !s->first_played[instrument])
        s->first_played[instrument] = pattern * 256 + row + 1;
    if (note >= 1 && note <= 96 && static_cast<int>(note) - 1 > s->highest_note)
        s->highest_note = note - 1;
    if (volume >> 4 == 0xa || volume >> 4 == 0xb)
        s->vibrato = true;
    switch (effect) {
    case 0x0:
        s->arpeggio |= data != 0;
        break;
    case 0x1:
    case 0x2:
        s->unbounded_slides = true;
        break;
    case 0x4:
    case 0x6:
        s->vibrato = true;
        break;
    case 0x9:
        if ((data << 8) > s->largest_offset)
            s->largest_offset = data << 8;
        break;
    case 0xb:
    case 0xd:
        return note_jump(s, pattern, row, effect, data, why, why_size);
    case 0xe:
        note_extended_effect(s, data);
        break;
    case 'L' - 55:
        // The player takes the parameter for the number of an envelope point, among the 32
        // it keeps for each envelope.
        if (data >= player_envelope_points)
            return refuse(why, why_size,
                          "pattern %u row %u sets an envelope position (L%02X) past the %d "
                          "points the player keeps",
                          pattern, row, data, player_envelope_points);
        break;
    case 'R' - 55:
        s->retrigger = true;
        break;
    case 'X' - 55:
        if (data >> 4 == 1 || data >> 4 == 2)
            s->unbounded_slides = true;
        break;
    }
    return true;
}

bool walk_pattern(song *s, unsigned pattern, const unsigned char *p, std::size_t packed, char *why,
                  std::size_t why_size) {
    const unsigned rows = s->rows[pattern];
    std::size_t used = 0;
    for (unsigned row = 0; row < rows && used < packed; ++row)
        for (unsigned channel = 0; channel < s->channels && used < packed; ++channel) {
            unsigned char cell[5];
            // A note may not run past the pattern's data, so look at most 6 bytes ahead.
            unsigned char bytes[6] = {};
            std::memcpy(bytes, p + used, packed - used < 6 ? packed - used : 6);
            used += read_note(bytes, cell);
            if (used > packed)
                return refuse(why, why_size, "pattern %u's data ends inside a note", pattern);
            if (!note_facts(s, pattern, row, cell, why, why_size))
                return false;
        }
    if (used != packed)
        return refuse(why, why_size, "pattern %u holds %zu bytes after its %u rows of %u notes",
                      pattern, packed - used, rows, s->channels);
    return true;
}

bool check_envelope(unsigned instrument, const char *name, const unsigned char *h, char *why,
                    std::size_t why_size) {
    // h: points, sustain, loop start, loop end; flags at h[8]
    const unsigned points = h[0], sustain = h[1], loop_start = h[2], loop_end = h[3], flags = h[8];
    if (points > envelope_points)
        return refuse(why, why_size, "instrument %u's %s envelope has %u points, room for %d",
                      instrument, name, points, envelope_points);
    if (!(flags & 1) || points < 2)
        return true;
    if ((flags & 2) && sustain >= points)
        return refuse(why, why_size,
                      "instrument %u's %s envelope sustains at point %u of its %u points",
                      instrument, name, sustain, points);
    if ((flags & 4) && (loop_start > loop_end || loop_end >= points))
        return refuse(why, why_size,
                      "instrument %u's %s envelope loops over points %u to %u of its %u",
                      instrument, name, loop_start, loop_end, points);
    return true;
}

// The most sample positions the mixer may advance by in one step at the intro's output rate,
// audio_rate: it mixes at four times that rate, and a voice's period is kept between 40 and
// 50000, so the highest pitch a module reaches follows from its highest note, the largest
// relative note and finetune of its samples, and its arpeggios, vibratos and slides.
double largest_step_at_audio_rate(const song &s, const std::vector<sample> &samples) {
    int relative = -128, speed = 0, auto_vibrato = 0;
    for (const sample &k : samples) {
        relative = k.relative_note > relative ? k.relative_note : relative;
        speed = k.finetune + 128 > speed ? k.finetune + 128 : speed;
        auto_vibrato = static_cast<int>(k.auto_vibrato_depth) > auto_vibrato
                           ? static_cast<int>(k.auto_vibrato_depth)
                           : auto_vibrato;
    }
    if (s.finetune_command && speed < 128 + 15)
        speed = 128 + 15;
    double frequency;
    if (!s.linear_periods) {
        frequency = 8363.0 * 1712.0 / 40.0;
    } else {
        int note = s.highest_note + relative + (s.arpeggio ? 15 : 0);
        note = note < 0 ? 0 : note;
        long period =
            (290L - 2 * note) * 32 - (speed >> 1) - (s.vibrato ? 116 : 0) - auto_vibrato * 64 / 256;
        if (s.unbounded_slides || period < 40)
            period = 40;
        const double base = 535232.0 * std::exp2(-static_cast<double>(period % 768) / 768.0);
        frequency = std::ldexp(base, 2 - static_cast<int>(period / 768));
    }
    return frequency / (4.0 * audio_rate);
}

bool check_samples(const song &s, const std::vector<sample> &samples, char *why,
                   std::size_t why_size) {
    const double step = s.highest_note < 0 ? 0 : largest_step_at_audio_rate(s, samples);
    for (const sample &k : samples) {
        if (!s.linear_periods && k.finetune >= 112)
            return refuse(why, why_size,
                          "instrument %u's sample %u has a finetune of %d, past the end of the "
                          "player's Amiga period table",
                          k.instrument, k.index, k.finetune);
        if (!k.loop_end)
            continue;
        const std::uint32_t loop = k.loop_end - k.loop_start;
        if (step >= loop)
            return refuse(why, why_size,
                          "instrument %u's sample %u loops over %u samples, fewer than the "
                          "%.1f the mixer steps by at this module's highest pitch",
                          k.instrument, k.index, loop, step);
        if (k.ping_pong && s.largest_offset > k.loop_end)
            return refuse(why, why_size,
                          "a sample offset of %u lies past the end (%u) of the ping-pong loop of "
                          "instrument %u's sample %u",
                          s.largest_offset, k.loop_end, k.instrument, k.index);
        if (s.retrigger && s.largest_offset > k.length)
            return refuse(why, why_size,
                          "a sample offset of %u, kept for retriggered notes, lies past the end "
                          "of instrument %u's sample %u (%u samples)",
                          s.largest_offset, k.instrument, k.index, k.length);
    }
    return true;
}

// Where each pattern break lands: on the next order, or with a position jump in the same
// row on the order it names. The row must be inside the pattern there.
bool check_breaks(const song &s, char *why, std::size_t why_size) {
    for (const pattern_jump &b : s.jumps) {
        if (!b.is_break)
            continue;
        for (unsigned i = 0; i < s.orders; ++i) {
            if (s.order[i] != b.pattern)
                continue;
            std::vector<unsigned> targets;
            if (i + 1 < s.orders)
                targets.push_back(i + 1);
            for (const pattern_jump &j : s.jumps)
                if (!j.is_break && j.pattern == b.pattern && j.row == b.row)
                    targets.push_back(j.target);
            for (unsigned target : targets) {
                const unsigned lands_in = s.order[target];
                if (b.target >= s.rows[lands_in])
                    return refuse(why, why_size,
                                  "pattern %u row %u breaks to row %u of pattern %u, which has "
                                  "%u rows",
                                  b.pattern, b.row, b.target, lands_in, s.rows[lands_in]);
            }
        }
    }
    return true;
}

// The patterns, from `*at`: a 1.02 module stores a pattern's row count in one byte less one,
// and its pattern header is a byte shorter.
bool walk_patterns(song *s, const unsigned char *d, std::size_t size, std::uint64_t *at, char *why,
                   std::size_t why_size) {
    const bool v102 = s->version == 0x0102;
    const unsigned fixed = v102 ? 8 : 9;
    for (unsigned i = 0; i < s->patterns; ++i) {
        if (*at + fixed > size)
            return refuse(why, why_size, "cut short in pattern %u", i);
        const unsigned char *h = d + *at;
        const std::uint64_t length = read_u32(h);
        const unsigned packing = h[4], rows = v102 ? h[5] + 1u : read_u16(h + 5),
                       packed = read_u16(h + fixed - 2);
        if (length < fixed || length > 1024 || packing != 0 || rows < 1 || rows > 256 ||
            packed > 32767)
            return refuse(why, why_size,
                          "pattern %u has a %llu-byte header, packing %u, %u rows and %u bytes", i,
                          static_cast<unsigned long long>(length), packing, rows, packed);
        s->rows[i] = rows;
        if (*at + length + packed > size)
            return refuse(why, why_size, "cut short in pattern %u", i);
        if (!walk_pattern(s, i, d + *at + length, packed, why, why_size))
            return false;
        *at += length + packed;
    }
    return true;
}

// The sample data from `*at`, for the samples from `first` on: a sample packed in a way
// the player does not unpack it plays as noise.
bool walk_sample_data(const std::vector<sample> &samples, std::size_t first, const unsigned char *d,
                      std::size_t size, std::uint64_t *at, char *why, std::size_t why_size) {
    for (std::size_t n = first; n < samples.size(); ++n) {
        const sample &k = samples[n];
        if (k.bytes >= 4 && has_text(d, size, *at, "OggS"))
            return refuse(why, why_size,
                          "instrument %u's sample %u is compressed with Ogg Vorbis (OpenMPT's "
                          "OXM), which the player does not decode",
                          k.instrument, k.index);
        *at += k.bytes;
        if (*at > size)
            return refuse(why, why_size, "cut short in instrument %u's sample data", k.instrument);
    }
    return true;
}

// The player stops reading instruments at one whose header runs past the end of the file,
// and keeps those before.
bool file_ends_inside_instrument(const unsigned char *d, std::size_t size, std::uint64_t at) {
    return at + 4 <= size && at + read_u32(d + at) > size && read_u32(d + at) >= instrument_least &&
           read_u32(d + at) <= 1024;
}

// Which of the instrument's samples each of the 96 notes plays.
bool check_sample_map(unsigned i, const unsigned char *h, unsigned count, char *why,
                      std::size_t why_size) {
    for (unsigned note = 0; note < 96; ++note)
        if (h[33 + note] >= count)
            return refuse(why, why_size, "instrument %u plays note %u with sample %u of its %u", i,
                          note, h[33 + note], count);
    return true;
}

bool check_envelopes(song *s, unsigned i, const unsigned char *h, char *why, std::size_t why_size) {
    // Points, sustain, loop start, loop end for volume then panning; flags at 233.
    const unsigned char volume[9] = {h[225], h[227], h[228], h[229], 0, 0, 0, 0, h[233]};
    const unsigned char panning[9] = {h[226], h[230], h[231], h[232], 0, 0, 0, 0, h[234]};
    if (!check_envelope(i, "volume", volume, why, why_size) ||
        !check_envelope(i, "panning", panning, why, why_size))
        return false;
    s->envelope_on |= (h[233] & 1) || (h[234] & 1);
    return true;
}

// Instrument i's header at h: its size, its number of samples and the size of their headers,
// and for an instrument with samples its sample map and envelopes.
bool check_instrument_header(song *s, unsigned i, const unsigned char *h, char *why,
                             std::size_t why_size) {
    const std::uint64_t length = read_u32(h);
    const unsigned count = read_u16(h + 27);
    if (length < instrument_least || length > 1024 || count > player_most_samples ||
        (count > 0 && length < instrument_needs))
        return refuse(why, why_size, "instrument %u has a %llu-byte header and %u samples", i,
                      static_cast<unsigned long long>(length), count);
    if (count && read_u32(h + 29) != sample_header_size)
        return refuse(why, why_size, "instrument %u has %u-byte sample headers", i,
                      read_u32(h + 29));
    s->sample_count[i + 1] = count;
    return !count || (check_sample_map(i, h, count, why, why_size) &&
                      check_envelopes(s, i, h, why, why_size));
}

// Sample k of instrument i from its header at h: stored as the player reads it, its loop
// inside its data.
bool read_sample_header(unsigned i, unsigned k, const unsigned char *h, unsigned vibrato_depth,
                        sample *smp, char *why, std::size_t why_size) {
    const unsigned type = h[14], width = type & 0x10 ? 2 : 1;
    const std::uint32_t bytes = read_u32(h), start = read_u32(h + 4), span = read_u32(h + 8);
    if (h[17] == modplug_adpcm)
        return refuse(why, why_size,
                      "instrument %u's sample %u is packed as ModPlug ADPCM, which the player "
                      "reads as plain samples past their end",
                      i, k);
    *smp = {i,
            k,
            bytes,
            bytes / width,
            0,
            0,
            (type & 3) >= 2,
            static_cast<signed char>(h[16]),
            static_cast<signed char>(h[13]),
            vibrato_depth};
    if ((type & 3) && span) {
        if (static_cast<std::uint64_t>(start) + span > bytes)
            return refuse(why, why_size,
                          "instrument %u's sample %u loops over bytes %u to %llu of its %u", i, k,
                          start, static_cast<unsigned long long>(start) + span, bytes);
        smp->loop_start = start / width;
        smp->loop_end = (start + span) / width;
        if (smp->loop_end <= smp->loop_start)
            smp->loop_end = 0;
    }
    return true;
}

// Instrument i's `count` sample headers from `*at`.
bool walk_sample_headers(unsigned i, unsigned count, unsigned vibrato_depth,
                         std::vector<sample> *samples, const unsigned char *d, std::size_t size,
                         std::uint64_t *at, char *why, std::size_t why_size) {
    for (unsigned k = 0; k < count; ++k, *at += sample_header_size) {
        if (*at + sample_header_size > size)
            return refuse(why, why_size, "cut short in instrument %u's sample %u", i, k);
        sample smp;
        if (!read_sample_header(i, k, d + *at, vibrato_depth, &smp, why, why_size))
            return false;
        samples->push_back(smp);
    }
    return true;
}

// The instruments from `*at`, with their sample headers and, in a 1.04 module, each one's
// sample data after them (older versions keep all sample data after the patterns).
bool walk_instruments(song *s, std::vector<sample> *samples, bool data_inside,
                      const unsigned char *d, std::size_t size, std::uint64_t *at, char *why,
                      std::size_t why_size) {
    s->instruments_read = s->instruments;
    for (unsigned i = 0; i < s->instruments; ++i) {
        if (file_ends_inside_instrument(d, size, *at)) {
            s->instruments_read = i;
            *at = size;
            return true;
        }
        if (*at + instrument_least > size)
            return refuse(why, why_size, "cut short in instrument %u", i);
        const unsigned char *h = d + *at;
        if (!check_instrument_header(s, i, h, why, why_size))
            return false;
        const unsigned count = s->sample_count[i + 1];
        const unsigned vibrato_depth = count ? (h[237] * 4) & 0xff : 0;
        *at += read_u32(h);
        const std::size_t first = samples->size();
        if (!walk_sample_headers(i, count, vibrato_depth, samples, d, size, at, why, why_size) ||
            (data_inside && !walk_sample_data(*samples, first, d, size, at, why, why_size)))
            return false;
    }
    return true;
}

// An instrument the patterns play must be one the player read with samples: it takes up
// one without samples, or one the file ends inside, but keeps the envelopes of the
// instrument played before, which it then reads past their points.
bool check_played_instruments(const song &s, char *why, std::size_t why_size) {
    for (unsigned i = 1; i <= s.instruments; ++i) {
        const unsigned at = s.first_played[i];
        if (!at)
            continue;
        if (i > s.instruments_read)
            return refuse(why, why_size,
                          "pattern %u row %u plays instrument %u, but the file ends inside "
                          "instrument %u",
                          (at - 1) / 256, (at - 1) % 256, i, s.instruments_read + 1);
        if (!s.sample_count[i] && s.envelope_on)
            return refuse(why, why_size,
                          "pattern %u row %u plays instrument %u, which has no samples, in a "
                          "module with envelopes",
                          (at - 1) / 256, (at - 1) % 256, i);
    }
    return true;
}

// The patterns, instruments and sample data after the song header. Before 1.04 the
// instruments and their sample headers come first, then the patterns, then the data of all
// samples.
bool walk_song(song *s, std::vector<sample> *samples, const unsigned char *d, std::size_t size,
               char *why, std::size_t why_size) {
    std::uint64_t at = song_header_at + s->header_size;
    if (s->version == newest_version)
        return walk_patterns(s, d, size, &at, why, why_size) &&
               walk_instruments(s, samples, true, d, size, &at, why, why_size);
    return walk_instruments(s, samples, false, d, size, &at, why, why_size) &&
           walk_patterns(s, d, size, &at, why, why_size) &&
           walk_sample_data(*samples, 0, d, size, &at, why, why_size);
}

} // namespace

bool check_module_bytes(const unsigned char *d, std::size_t size, char *why, std::size_t why_size) {
    if (!check_signatures(d, size, why, why_size))
        return false;
    song s;
    read_song_header(d, &s);
    std::vector<sample> samples;
    if (!check_song_header(s, size, why, why_size) ||
        !walk_song(&s, &samples, d, size, why, why_size))
        return false;
    if (samples.empty())
        return refuse(why, why_size, "none of its %u instruments has a sample", s.instruments);
    return check_played_instruments(s, why, why_size) && check_breaks(s, why, why_size) &&
           check_samples(s, samples, why, why_size);
}

bool check_module(const char *path, char *why, std::size_t why_size) {
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return refuse(why, why_size, "cannot open it");
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && bytes.size() <= module_largest_file)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    if (bytes.size() > module_largest_file)
        return refuse(why, why_size, "larger than %d MiB", module_largest_file >> 20);
    return check_module_bytes(bytes.data(), bytes.size(), why, why_size);
}
