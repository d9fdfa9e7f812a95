// The sample synthesiser: tuning maths, noise, scaling, and loops that join without a step.
#include "synth.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(SynthTuning, CentreNoteAtTheReferenceRateNeedsNoCorrection) {
    const sample_tuning t = tune_sample(8363.0, 49); // C-4 at 8363 Hz is the XM reference
    EXPECT_EQ(t.relative_note, 0);
    EXPECT_EQ(t.finetune, 0);
}

TEST(SynthTuning, OctavesBecomeTwelveRelativeNotes) {
    EXPECT_EQ(tune_sample(16726.0, 49).relative_note, 12);
    EXPECT_EQ(tune_sample(8363.0, 61).relative_note, -12);
    EXPECT_EQ(tune_sample(16726.0, 61).finetune, 0);
}

TEST(SynthTuning, FractionsOfASemitoneGoToTheFinetune) {
    const sample_tuning t = tune_sample(8363.0 * std::pow(2.0, 0.25 / 12.0), 49);
    EXPECT_EQ(t.relative_note * 128 + t.finetune, 32); // a quarter semitone is 32/128
    EXPECT_GE(t.finetune, -64);
    EXPECT_LT(t.finetune, 64);
}

TEST(SynthTuning, NoteFrequenciesFollowEqualTemperament) {
    EXPECT_DOUBLE_EQ(note_frequency(58), 440.0);
    EXPECT_DOUBLE_EQ(note_frequency(46), 220.0);
    EXPECT_NEAR(note_frequency(49), 261.6256, 1e-4);
}

TEST(SynthNoise, SameSeedSameSequenceWithinRange) {
    noise_state a{42}, b{42}, c{43};
    bool differs = false;
    for (int i = 0; i < 1000; ++i) {
        const double x = noise_next(&a);
        EXPECT_EQ(x, noise_next(&b));
        EXPECT_GE(x, -1.0);
        EXPECT_LT(x, 1.0);
        differs |= x != noise_next(&c);
    }
    EXPECT_TRUE(differs);
}

TEST(SynthScaling, PeakLandsOnTheRequestedFractionOfFullScale) {
    const std::vector<int16_t> pcm = to_pcm16({0.0, 0.5, -2.0, 1.0}, 0.5);
    const std::vector<int16_t> expected = {0, 4096, -16383, 8192}; // x * 0.5 * 32767 / 2, rounded
    EXPECT_EQ(pcm, expected);
}

TEST(SynthScaling, SilenceStaysSilent) {
    EXPECT_EQ(to_pcm16({0.0, 0.0}, 1.0), (std::vector<int16_t>{0, 0}));
}

// The largest step inside the signal, and the step from its end back to its start.
void steps(const std::vector<double> &s, double *largest, double *join) {
    *largest = 0;
    for (size_t i = 1; i < s.size(); ++i)
        *largest = std::fmax(*largest, std::fabs(s[i] - s[i - 1]));
    *join = std::fabs(s.front() - s.back());
}

TEST(SynthLoops, PulseLoopJoinsLikeAnyOtherStep) {
    const std::vector<double> loop = make_pulse_loop(64, 8, 0.25, 14, true);
    ASSERT_EQ(loop.size(), 512u);
    double largest, join;
    steps(loop, &largest, &join);
    EXPECT_GT(largest, 0.1);
    EXPECT_LE(join, largest);
}

TEST(SynthLoops, ChordLoopJoinsLikeAnyOtherStep) {
    const chord_voice voices[] = {{40, 1.0}, {50, 0.7}, {60, 0.7}};
    const std::vector<double> loop = make_chord_loop(4096, voices, 3, 7);
    double largest, join;
    steps(loop, &largest, &join);
    EXPECT_GT(largest, 0.0);
    EXPECT_LE(join, largest);
}

TEST(SynthLoops, BassHoldsAnUnchangingCycleThatLoops) {
    const std::vector<double> bass = make_bass_loop(200, 24, 10);
    ASSERT_EQ(bass.size(), 200u * 34);
    const std::vector<double> held(bass.begin() + 200 * 24, bass.end());
    double largest, join;
    steps(held, &largest, &join);
    EXPECT_GT(largest, 0.01);
    EXPECT_LE(join, largest);
    for (size_t i = 0; i + 200 < held.size(); ++i)
        EXPECT_NEAR(held[i], held[i + 200], 1e-9) << i;
    // The attack is brighter than the held cycles: its steps are larger.
    double attack_largest, unused;
    steps(std::vector<double>(bass.begin(), bass.begin() + 200), &attack_largest, &unused);
    EXPECT_GT(attack_largest, 2 * largest);
}

TEST(SynthOneShots, DrumsPluckAndBellStartAtOnceAndEndInSilence) {
    for (const std::vector<double> &s :
         {make_kick(), make_snare(), make_hihat(0.02, 0.1, 5), make_crash(), make_tom(140.0),
          make_pluck(64, 20000, 360, 9), make_bell(64, 40000)}) {
        ASSERT_GT(s.size(), 1000u);
        double early = 0;
        for (size_t i = 0; i < 200; ++i)
            early = std::fmax(early, std::fabs(s[i]));
        EXPECT_GT(early, 0.05);
        EXPECT_NEAR(s.back(), 0.0, 1e-3);
    }
}

} // namespace
