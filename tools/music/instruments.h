// The soundtrack's instrument set: which synthesised sample each instrument number plays.
#pragma once

#include "xm_writer.h"

// Instrument numbers as used in the patterns (1-based, as in the file).
enum theme_instrument {
    ins_kick = 1,
    ins_snare,
    ins_closed_hat,
    ins_open_hat,
    ins_crash,
    ins_tom,
    ins_sweep,
    ins_bass,
    ins_arp,
    ins_pad_minor_left,
    ins_pad_minor_right,
    ins_pad_major_left,
    ins_pad_major_right,
    ins_lead,
    ins_lead_echo,
    ins_flute,
    ins_pluck,
    ins_bell,
    theme_instrument_count = ins_bell
};

// Synthesises every instrument, in the order of theme_instrument.
std::vector<xm_instrument> make_theme_instruments();
