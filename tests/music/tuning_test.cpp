// The pitched instruments, played by an independent player (openmpt123), sound at the pitch of
// the note played: the synthesiser's tuning and the writer's relative note and finetune agree
// with how XM players read them.
#include "files.h"
#include "instruments.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

const int rate = 44100;
const int pattern_rows = 16; // 16 rows at speed 6, 125 BPM: 1.92 s per pattern

struct probe {
    int instrument;
    int note;
    double frequency;
};

// The strongest repeat period between 0.67 and 20 ms, by normalised autocorrelation, as a
// frequency; the shortest lag within 5% of the best wins, so an octave too low is not taken.
double measure_frequency(const std::vector<double> &s) {
    const int window = static_cast<int>(s.size()) / 2;
    std::vector<double> score(rate / 50 + 2, 0.0);
    double best = 0;
    for (int lag = rate / 1500; lag <= rate / 50; ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (int i = 0; i < window; ++i) {
            xy += s[i] * s[i + lag];
            xx += s[i] * s[i];
            yy += s[i + lag] * s[i + lag];
        }
        score[lag] = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
        best = std::fmax(best, score[lag]);
    }
    for (int lag = rate / 1500 + 1; lag < rate / 50; ++lag) {
        if (score[lag] >= 0.95 * best && score[lag] >= score[lag - 1] &&
            score[lag] >= score[lag + 1]) {
            // Parabolic refinement around the peak.
            const double a = score[lag - 1], b = score[lag], c = score[lag + 1];
            const double denominator = a - 2 * b + c;
            const double shift = denominator != 0 ? 0.5 * (a - c) / denominator : 0;
            return rate / (lag + shift);
        }
    }
    return 0;
}

TEST(Tuning, PitchedInstrumentsSoundAtThePlayedNote) {
    const probe probes[] = {
        {ins_lead, 58, 440.0},
        {ins_lead, 70, 880.0},
        {ins_lead_echo, 49, 261.63},                          // C-4
        {ins_arp, 58, 440.0},        {ins_arp, 63, 587.33},   // D-5
        {ins_bass, 34, 110.0},
        {ins_bass, 46, 220.0},
        {ins_bass, 22, 55.0},
        {ins_flute, 58, 440.0},
        {ins_pluck, 58, 440.0},      {ins_pluck, 65, 659.26}, // E-5
        {ins_bell, 58, 440.0},       {ins_bell, 53, 329.63},  // E-4
    };
    const int count = sizeof probes / sizeof probes[0];

    xm_module m;
    m.name = "tuning";
    m.channels = 2;
    m.speed = 6;
    m.bpm = 125;
    m.instruments = make_theme_instruments();
    for (int i = 0; i < count; ++i) {
        xm_pattern p;
        p.rows = pattern_rows;
        p.cells.resize(pattern_rows * m.channels);
        p.cells[0].note = static_cast<uint8_t>(probes[i].note);
        p.cells[0].instrument = static_cast<uint8_t>(probes[i].instrument);
        m.patterns.push_back(p);
        m.orders.push_back(static_cast<uint8_t>(i));
    }

    const temp_folder dir("tuning_test");
    const std::string xm = dir.write("tuning.xm", xm_write(m));
    const std::string render = "openmpt123 --batch --render --samplerate 44100 --channels 1 '" +
                               xm + "' >/dev/null 2>&1 && sox '" + xm + ".wav' -t raw -e signed " +
                               "-b 16 -c 1 '" + xm + ".raw' 2>/dev/null";
    ASSERT_EQ(std::system(render.c_str()), 0);
    const bytes raw = read_file(xm + ".raw");

    const double seconds_per_pattern = pattern_rows * 6 * 2.5 / 125;
    for (int i = 0; i < count; ++i) {
        // 100 ms from 80 ms after the note starts: past the attack, before a one-shot fades.
        const size_t start = static_cast<size_t>((i * seconds_per_pattern + 0.08) * rate);
        std::vector<double> window(rate / 10);
        ASSERT_LE((start + window.size()) * 2, raw.size());
        for (size_t k = 0; k < window.size(); ++k) {
            const size_t at = (start + k) * 2;
            window[k] = static_cast<int16_t>(raw[at] | raw[at + 1] << 8);
        }
        const double measured = measure_frequency(window);
        EXPECT_NEAR(measured, probes[i].frequency, probes[i].frequency * 0.004)
            << "instrument " << probes[i].instrument << " note " << probes[i].note;
    }
}

} // namespace
