// Writing a section of the score into a pattern: melodies from note text, bass and drum bars
// from step strings, arpeggios and pads from the bar's chord.
#pragma once

#include "xm_writer.h"

const int score_channels = 12;
const int score_rows = 64; // four bars of sixteen sixteenth-note rows

enum score_channel {
    ch_lead,
    ch_flute,
    ch_echo,
    ch_arp,
    ch_bass,
    ch_pad_left,
    ch_pad_right,
    ch_kick,
    ch_snare,
    ch_hat,
    ch_tom,
    ch_fx
};

struct chord {
    int root; // pitch class, 0 = C
    bool minor;
};

// One bar of drums, a character per sixteenth: '.' nothing, 'x' a full hit, '1'..'9' softer
// hits. On the hat line 'O' is an open hat (digits and 'x' closed); on the tom line 'h', 'm'
// and 'l' are the high, middle and low tom.
struct drum_bar {
    const char *kick;
    const char *snare;
    const char *hat;
    const char *tom;
};

// One bar of bass, a character per sixteenth, relative to the chord's root: 'r' root, 'o' its
// octave, 'f' fifth, 't' third, 's' seventh (sixth on major chords), 'p' a glide up to the octave
// and 'd' a glide down to the root (tone portamento), '-' key-off, '.' hold.
using bass_bar = const char *;

enum arp_style {
    arp_none,
    arp_chip_eighths,    // the chord as a tracker arpeggio, struck every eighth
    arp_chip_sixteenths, // the same, struck every sixteenth
    arp_broken_up,       // root, third, fifth, octave as sixteenth notes
    arp_broken_wave,     // up and down through two octaves
    arp_broken_eighths   // the same as eighth notes, for a sound that rings
};

struct section {
    chord chords[4];
    int transpose;            // semitones added to every pitched note
    const char *lead;         // melody text (see place_melody) or nullptr
    const char *flute;        // counter-melody text or nullptr
    bool flute_doubles_lead;  // with no counter-melody: the flute plays the lead an octave down
    bool echo;                // the lead repeated a dotted eighth later
    const drum_bar *drums[4]; // per bar
    bass_bar bass[4];         // per bar, nullptr = silent
    arp_style arp;
    int arp_instrument; // the chip styles need a looped sound
    int arp_lowest;     // XM note at or above which the arpeggio's root lies
    int arp_volume;
    int pad_volume;        // 0 = no pads
    bool pad_swell;        // pads fade in with a volume slide
    unsigned crash_bars;   // bit n: a crash on the first row of bar n
    int sweep_bar;         // a noise riser across this bar, or -1
    int level;             // percent: every note's volume is scaled by it
    int bass_level = 100;  // percent, on top of `level`, for the bass alone
    int flute_level = 100; // and for the flute alone
};

// Builds the section's pattern; `instruments` gives the volume of notes that set none.
xm_pattern make_section(const section &s, const std::vector<xm_instrument> &instruments);

// Places a melody on `channel` with `instrument`. The text is tokens "NOTE:ROWS", where NOTE
// is a name with octave (A4, C#5, Bb4), "r" a key-off or "-" a hold; a leading '/' glides into
// the note from the one before (tone portamento), a 'v' after the length adds vibrato after
// its attack and 'w' a wider one ("E5:8v"). '|' between bars is ignored. The tokens must fill 64
// rows.
void place_melody(xm_pattern &p, int channel, int instrument, const char *melody, int transpose);

xm_cell &cell_at(xm_pattern &p, int row, int channel);
