// The sample synthesiser: oscillators, envelopes, filters and fixed-seed noise that build
// every instrument of the soundtrack from nothing, plus their tuning for the XM player.
#pragma once

#include <cstdint>
#include <vector>

// A xorshift32 generator: the same seed always gives the same noise.
struct noise_state {
    uint32_t state;
};
double noise_next(noise_state *n); // uniform in [-1, 1)

// One-pole filters run in place over a signal; cutoff in Hz at the given sample rate.
void lowpass(std::vector<double> &signal, double cutoff, double rate);
void highpass(std::vector<double> &signal, double cutoff, double rate);

// Linear attack then exponential decay with the given time constant, in seconds.
double attack_decay(double t, double attack, double decay);

// Scales to the given peak (0..1 of full scale) and rounds to signed 16-bit.
std::vector<int16_t> to_pcm16(const std::vector<double> &signal, double peak);

// Relative note and finetune that make XM note `natural_note` (1 = C-0) play a sample at `rate`.
struct sample_tuning {
    int8_t relative_note;
    int8_t finetune;
};
sample_tuning tune_sample(double rate, int natural_note);

// Frequency in Hz of XM note `note` in equal temperament (A-4 = 440 Hz).
double note_frequency(int note);

// Drum and noise one-shots at 22050 Hz.
const double drum_rate = 22050;
std::vector<double> make_kick();
std::vector<double> make_snare();
std::vector<double> make_hihat(double decay, double seconds, uint32_t seed);
std::vector<double> make_crash();
// A tom: a sine falling from 1.6 times `frequency` onto it, at 22050 Hz.
std::vector<double> make_tom(double frequency);
// A noise riser of `seconds` at 22050 Hz: its band and level climb to the end, where it stops.
std::vector<double> make_sweep(double seconds);

// A saw bass with a sub sine, `cycle_length` frames per cycle: its filter closes over the first
// `attack_cycles` cycles, then `loop_cycles` unchanging cycles follow that loop without a step.
std::vector<double> make_bass_loop(int cycle_length, int attack_cycles, int loop_cycles);

// A band-limited pulse wave loop: `cycles` whole cycles of `cycle_length` frames each, with the
// given duty (0..1), harmonics up to `harmonics`; `detuned` adds a second voice with one cycle
// more per loop, for a slow chorus.
std::vector<double> make_pulse_loop(int cycle_length, int cycles, double duty, int harmonics,
                                    bool detuned);

// A plucked string of `frames` frames (Karplus-Strong): a burst of fixed-seed noise `period`
// frames long circulates through a two-point average, so it sounds at the sample rate over
// period + 0.5; its fundamental falls by 60 dB over `ring_periods` periods.
std::vector<double> make_pluck(int period, int frames, int ring_periods, uint32_t seed);

// A struck bell of `frames` frames, `cycle_length` frames per cycle of its fundamental: four
// harmonic partials ringing out, the higher ones sooner, and a brief inharmonic strike.
std::vector<double> make_bell(int cycle_length, int frames);

// A soft chord loop of `length` frames: each voice is {cycles per loop, level}, drawn as a
// mellow saw with a twin one cycle higher; phases come from `seed`.
struct chord_voice {
    int cycles;
    double level;
};
std::vector<double> make_chord_loop(int length, const chord_voice *voices, int voice_count,
                                    uint32_t seed);
