// Builds the soundtrack's samples by additive synthesis, enveloped noise and one-pole filters.
// Only plain double arithmetic and the C library's sin/exp/pow/log2 are used, so the result is
// the same at every optimisation level.
#include "synth.h"

#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

} // namespace

double noise_next(noise_state *n) {
    uint32_t x = n->state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    n->state = x;
    return static_cast<double>(x >> 8) / 8388608.0 - 1.0;
}

void lowpass(std::vector<double> &signal, double cutoff, double rate) {
    const double a = 1.0 - std::exp(-2.0 * pi * cutoff / rate);
    double y = 0;
    for (double &v : signal) {
        y += a * (v - y);
        v = y;
    }
}

void highpass(std::vector<double> &signal, double cutoff, double rate) {
    const double a = 1.0 - std::exp(-2.0 * pi * cutoff / rate);
    double low = 0;
    for (double &v : signal) {
        low += a * (v - low);
        v -= low;
    }
}

double attack_decay(double t, double attack, double decay) {
    if (t < attack)
        return t / attack;
    return std::exp(-(t - attack) / decay);
}

std::vector<int16_t> to_pcm16(const std::vector<double> &signal, double peak) {
    double largest = 0;
    for (double v : signal)
        largest = std::fmax(largest, std::fabs(v));
    const double scale = largest > 0 ? peak * 32767.0 / largest : 0;
    std::vector<int16_t> out(signal.size());
    for (size_t i = 0; i < signal.size(); ++i)
        out[i] = static_cast<int16_t>(std::floor(signal[i] * scale + 0.5));
    return out;
}

sample_tuning tune_sample(double rate, int natural_note) {
    // C-4 (note 49) plays at 8363 Hz with no relative note and no finetune.
    const double semitones = 12.0 * std::log2(rate / 8363.0) - (natural_note - 49);
    const int steps = static_cast<int>(std::floor(semitones * 128.0 + 0.5));
    int relative = static_cast<int>(std::floor((steps + 64) / 128.0));
    int fine = steps - relative * 128;
    return {static_cast<int8_t>(relative), static_cast<int8_t>(fine)};
}

double note_frequency(int note) {
    return 440.0 * std::pow(2.0, (note - 58) / 12.0);
}

std::vector<double> make_kick() {
    const int frames = static_cast<int>(0.32 * drum_rate);
    std::vector<double> out(frames);
    noise_state noise{0x1234567u};
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = i / drum_rate;
        const double frequency = 48.0 + 120.0 * std::exp(-t / 0.028);
        phase += 2.0 * pi * frequency / drum_rate;
        const double body = std::sin(phase) * attack_decay(t, 0.001, 0.11);
        const double click = noise_next(&noise) * std::exp(-t / 0.002) * 0.4;
        out[i] = std::tanh(2.4 * (body + click));
    }
    // Fade the last milliseconds so the one-shot ends at zero.
    for (int i = 0; i < 64; ++i)
        out[frames - 1 - i] *= i / 64.0;
    return out;
}

std::vector<double> make_snare() {
    const int frames = static_cast<int>(0.3 * drum_rate);
    std::vector<double> rattle(frames);
    noise_state noise{0x9e3779b9u};
    for (int i = 0; i < frames; ++i)
        rattle[i] = noise_next(&noise);
    lowpass(rattle, 6500, drum_rate);
    highpass(rattle, 700, drum_rate);
    std::vector<double> out(frames);
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = i / drum_rate;
        phase += 2.0 * pi * (180.0 + 60.0 * std::exp(-t / 0.01)) / drum_rate;
        const double tone =
            (std::sin(phase) + 0.4 * std::sin(1.8 * phase)) * attack_decay(t, 0.0005, 0.05);
        // Soft saturation keeps the crack from standing far above the body.
        out[i] = std::tanh(1.6 * (0.9 * tone + 1.5 * rattle[i] * attack_decay(t, 0.001, 0.09)));
    }
    for (int i = 0; i < 64; ++i)
        out[frames - 1 - i] *= i / 64.0;
    return out;
}

std::vector<double> make_hihat(double decay, double seconds, uint32_t seed) {
    const int frames = static_cast<int>(seconds * drum_rate);
    std::vector<double> out(frames);
    noise_state noise{seed};
    for (int i = 0; i < frames; ++i)
        out[i] = noise_next(&noise);
    // Kept below 8 kHz so that players which interpolate differently hear the same hat.
    highpass(out, 4000, drum_rate);
    highpass(out, 4000, drum_rate);
    lowpass(out, 8000, drum_rate);
    lowpass(out, 8000, drum_rate);
    for (int i = 0; i < frames; ++i) {
        const double t = i / drum_rate;
        out[i] *= attack_decay(t, 0.0005, decay) * (1.0 - static_cast<double>(i) / frames);
    }
    return out;
}

std::vector<double> make_crash() {
    const int frames = static_cast<int>(1.4 * drum_rate);
    std::vector<double> out(frames);
    noise_state noise{0x2545f491u};
    for (int i = 0; i < frames; ++i)
        out[i] = noise_next(&noise);
    highpass(out, 3500, drum_rate);
    lowpass(out, 9000, drum_rate);
    for (int i = 0; i < frames; ++i) {
        const double t = i / drum_rate;
        out[i] *= attack_decay(t, 0.002, 0.35) * (1.0 - static_cast<double>(i) / frames);
    }
    return out;
}

std::vector<double> make_tom(double frequency) {
    const int frames = static_cast<int>(0.3 * drum_rate);
    std::vector<double> out(frames);
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = i / drum_rate;
        phase += 2.0 * pi * frequency * (1.0 + 0.6 * std::exp(-t / 0.03)) / drum_rate;
        out[i] = std::tanh(1.5 * std::sin(phase) * attack_decay(t, 0.001, 0.07));
    }
    for (int i = 0; i < 64; ++i)
        out[frames - 1 - i] *= i / 64.0;
    return out;
}

std::vector<double> make_sweep(double seconds) {
    const int frames = static_cast<int>(seconds * drum_rate);
    std::vector<double> out(frames);
    noise_state noise{0x243f6a88u};
    double low = 0, lower = 0;
    for (int i = 0; i < frames; ++i) {
        const double x = static_cast<double>(i) / frames;
        const double cutoff = 300.0 * std::pow(30.0, x);
        const double a = 1.0 - std::exp(-2.0 * pi * cutoff / drum_rate);
        low += a * (noise_next(&noise) - low);
        lower += 0.02 * (low - lower);
        out[i] = (low - lower) * x * x;
    }
    for (int i = 0; i < 220; ++i)
        out[frames - 1 - i] *= i / 220.0;
    return out;
}

std::vector<double> make_bass_loop(int cycle_length, int attack_cycles, int loop_cycles) {
    const int frames = cycle_length * (attack_cycles + loop_cycles);
    const int attack_frames = cycle_length * attack_cycles;
    std::vector<double> out(frames);
    const int harmonics = cycle_length / 5;
    for (int i = 0; i < frames; ++i) {
        // The cutoff, in harmonics, falls during the attack and then holds.
        const double x = std::fmin(i, attack_frames) / static_cast<double>(attack_frames);
        const double cutoff = 3.0 + 22.0 * std::exp(-5.0 * x) - 22.0 * std::exp(-5.0) * x;
        const double phase = 2.0 * pi * i / cycle_length;
        double v = 0.7 * std::sin(phase);
        for (int n = 1; n <= harmonics; ++n) {
            const double ratio = n / cutoff;
            v += std::sin(n * phase) / n / std::sqrt(1.0 + ratio * ratio * ratio * ratio);
        }
        out[i] = v;
    }
    return out;
}

std::vector<double> make_pulse_loop(int cycle_length, int cycles, double duty, int harmonics,
                                    bool detuned) {
    const int frames = cycle_length * cycles;
    std::vector<double> out(frames, 0.0);
    const int voices = detuned ? 2 : 1;
    for (int voice = 0; voice < voices; ++voice) {
        const int voice_cycles = cycles + voice;
        for (int n = 1; n <= harmonics; ++n) {
            // Fourier series of a pulse, softened towards the top so the edge is not harsh.
            const double amplitude = std::sin(pi * n * duty) / n * (1.0 - 0.5 * n / harmonics);
            for (int i = 0; i < frames; ++i)
                out[i] += amplitude *
                          std::sin(2.0 * pi * n * voice_cycles * static_cast<double>(i) / frames);
        }
    }
    return out;
}

std::vector<double> make_pluck(int period, int frames, int ring_periods, uint32_t seed) {
    std::vector<double> out(frames, 0.0);
    noise_state noise{seed};
    double mean = 0;
    for (int i = 0; i < period && i < frames; ++i) {
        out[i] = noise_next(&noise);
        mean += out[i] / period;
    }
    // The burst without its offset and a little softened, so the string starts warm.
    for (int i = 0; i < period && i < frames; ++i)
        out[i] -= mean;
    for (int i = 1; i < period && i < frames; ++i)
        out[i] = 0.5 * (out[i] + out[i - 1]);
    const double loss = std::pow(0.001, 1.0 / ring_periods);
    for (int i = period + 1; i < frames; ++i)
        out[i] = loss * 0.5 * (out[i - period] + out[i - period - 1]);
    for (int i = 0; i < 64 && i < frames; ++i)
        out[frames - 1 - i] *= i / 64.0;
    return out;
}

std::vector<double> make_bell(int cycle_length, int frames) {
    // {ratio to the fundamental, level, decay in cycles}
    const double partials[][3] = {
        {1.0, 1.0, 300}, {2.0, 0.5, 160}, {3.0, 0.22, 90}, {4.0, 0.12, 50}, {5.43, 0.3, 12}};
    std::vector<double> out(frames, 0.0);
    for (const auto &p : partials)
        for (int i = 0; i < frames; ++i) {
            const double cycles = static_cast<double>(i) / cycle_length;
            out[i] += p[1] * std::sin(2.0 * pi * p[0] * cycles) * attack_decay(cycles, 0.5, p[2]);
        }
    for (int i = 0; i < 64 && i < frames; ++i)
        out[frames - 1 - i] *= i / 64.0;
    return out;
}

std::vector<double> make_chord_loop(int length, const chord_voice *voices, int voice_count,
                                    uint32_t seed) {
    std::vector<double> out(length, 0.0);
    noise_state noise{seed};
    for (int v = 0; v < voice_count; ++v) {
        for (int twin = 0; twin < 2; ++twin) {
            const int cycles = voices[v].cycles + twin;
            for (int n = 1; n <= 10; ++n) {
                const double amplitude = voices[v].level / n / (1.0 + 0.35 * n * n / 4.0);
                const double offset = pi * noise_next(&noise);
                for (int i = 0; i < length; ++i)
                    out[i] +=
                        amplitude *
                        std::sin(2.0 * pi * n * cycles * static_cast<double>(i) / length + offset);
            }
        }
    }
    return out;
}
