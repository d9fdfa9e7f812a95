// Turns the synthesiser's signals into XM instruments: tuning, loops, levels, panning and
// volume envelopes.
#include "instruments.h"

#include "synth.h"

namespace {

// A sample that sounds XM note `natural_note` when played at `rate`.
xm_instrument make_instrument(const char *name, const std::vector<double> &signal, double rate,
                              int natural_note, uint8_t volume, uint8_t panning) {
    xm_instrument ins;
    ins.name = name;
    ins.sample.name = name;
    ins.sample.data = to_pcm16(signal, 0.95);
    ins.sample.volume = volume;
    ins.sample.panning = panning;
    const sample_tuning tuning = tune_sample(rate, natural_note);
    ins.sample.relative_note = tuning.relative_note;
    ins.sample.finetune = tuning.finetune;
    return ins;
}

void loop_whole(xm_instrument *ins) {
    ins->sample.loop = xm_loop_forward;
    ins->sample.loop_start = 0;
    ins->sample.loop_length = static_cast<uint32_t>(ins->sample.data.size());
}

void set_envelope(xm_instrument *ins, std::initializer_list<std::pair<int, int>> points,
                  int sustain, uint16_t fadeout) {
    xm_envelope &env = ins->volume_envelope;
    env.points = 0;
    for (const auto &p : points) {
        env.x[env.points] = static_cast<uint16_t>(p.first);
        env.y[env.points] = static_cast<uint16_t>(p.second);
        ++env.points;
    }
    env.sustain = sustain;
    env.use_sustain = true;
    ins->fadeout = fadeout;
}

const int c4 = 49;
const int c5 = 61;

} // namespace

std::vector<xm_instrument> make_theme_instruments() {
    std::vector<xm_instrument> all;
    all.push_back(make_instrument("kick", make_kick(), drum_rate, c4, 64, 128));
    all.push_back(make_instrument("snare", make_snare(), drum_rate, c4, 64, 140));
    all.push_back(make_instrument("closed hat", make_hihat(0.018, 0.08, 0x6b43a9b5u), drum_rate, c4,
                                  48, 168));
    xm_instrument open_hat =
        make_instrument("open hat", make_hihat(0.09, 0.3, 0x7f4a7c15u), drum_rate, c4, 38, 168);
    open_hat.sample.eight_bit = true;
    all.push_back(open_hat);
    xm_instrument crash = make_instrument("crash", make_crash(), drum_rate, c4, 48, 96);
    crash.sample.eight_bit = true;
    all.push_back(crash);

    // The bass is made sounding A-2 (110 Hz).
    all.push_back(make_instrument("bass", make_bass(110.0), drum_rate, 34, 64, 128));

    // Single-cycle pulse for the chip arpeggio; the pitch of C-5 at 64 frames per cycle.
    xm_instrument arp = make_instrument("arp", make_pulse_loop(64, 1, 0.375, 12, false),
                                        note_frequency(c5) * 64, c5, 48, 84);
    loop_whole(&arp);
    set_envelope(&arp, {{0, 64}, {3, 44}, {12, 26}, {30, 18}}, 3, 0x800);
    all.push_back(arp);

    // Chord pads in just intonation, a whole number of cycles of every voice per loop. Each
    // voice's twin runs one cycle more per loop, so the pads are tuned to the middle of the two.
    const int pad_length = 16384;
    const chord_voice minor[] = {{130, 0.5}, {260, 1.0}, {312, 0.7}, {390, 0.7}};
    const chord_voice major[] = {{128, 0.5}, {256, 1.0}, {320, 0.7}, {384, 0.7}};
    xm_instrument pad_minor =
        make_instrument("pad minor", make_chord_loop(pad_length, minor, 4, 0x51ed270bu),
                        note_frequency(c4) * pad_length / 260.5, c4, 38, 128);
    xm_instrument pad_major =
        make_instrument("pad major", make_chord_loop(pad_length, major, 4, 0x3c6ef372u),
                        note_frequency(c4) * pad_length / 256.5, c4, 38, 128);
    for (xm_instrument *pad : {&pad_minor, &pad_major}) {
        loop_whole(pad);
        set_envelope(pad, {{0, 0}, {20, 64}, {80, 0}}, 1, 0x200);
        all.push_back(*pad);
    }

    // The lead: a 25% pulse, 128 cycles of 64 frames per loop, with a twin one cycle faster
    // per loop that beats slowly against it; tuned to the middle of the two.
    xm_instrument lead = make_instrument("lead", make_pulse_loop(64, 128, 0.25, 14, true),
                                         note_frequency(c5) * 64 * 128 / 128.5, c5, 64, 112);
    loop_whole(&lead);
    set_envelope(&lead, {{0, 48}, {2, 64}, {12, 60}, {40, 0}}, 2, 0x400);
    all.push_back(lead);
    xm_instrument echo = lead;
    echo.name = "lead echo";
    echo.sample.volume = 36;
    echo.sample.panning = 196;
    all.push_back(echo);
    return all;
}
