// Turns the synthesiser's signals into XM instruments: tuning, loops, levels, panning and
// volume envelopes.
#include "instruments.h"

#include "synth.h"

namespace {

// A sample that sounds XM note `natural_note` when played at `rate`.
xm_instrument make_instrument(const char *name, const std::vector<double> &signal, double rate,
                              int natural_note, uint8_t volume, uint8_t panning,
                              double peak = 0.8) {
    xm_instrument ins;
    ins.name = name;
    ins.sample.name = name;
    ins.sample.data = to_pcm16(signal, peak);
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
    all.push_back(make_instrument("kick", make_kick(), drum_rate, c4, 64, 128, 0.72));
    all.push_back(make_instrument("snare", make_snare(), drum_rate, c4, 64, 104));
    all.push_back(make_instrument("closed hat", make_hihat(0.018, 0.08, 0x6b43a9b5u), drum_rate, c4,
                                  64, 212));
    xm_instrument open_hat =
        make_instrument("open hat", make_hihat(0.09, 0.3, 0x7f4a7c15u), drum_rate, c4, 50, 48);
    open_hat.sample.eight_bit = true;
    all.push_back(open_hat);
    xm_instrument crash = make_instrument("crash", make_crash(), drum_rate, c4, 44, 60);
    crash.sample.eight_bit = true;
    all.push_back(crash);
    all.push_back(make_instrument("tom", make_tom(140.0), drum_rate, c4, 52, 184));
    xm_instrument sweep = make_instrument("sweep", make_sweep(1.875), drum_rate, c4, 36, 168);
    sweep.sample.eight_bit = true;
    all.push_back(sweep);

    // The bass: 200 frames a cycle at 22000 Hz sound A-2 (110 Hz); the held cycles loop, and
    // a short release after key-off lets a line stop without a click. The envelopes of the
    // instruments that glide stay near their held level, as libmikmod starts them again on a
    // glide's note where FastTracker 2 and libopenmpt carry on.
    xm_instrument bass = make_instrument("bass", make_bass_loop(200, 24, 10), 22000.0, 34, 42, 128);
    bass.sample.loop = xm_loop_forward;
    bass.sample.loop_start = 200 * 24;
    bass.sample.loop_length = 200 * 10;
    set_envelope(&bass, {{0, 60}, {6, 54}, {24, 50}, {30, 0}}, 2, 0x800);
    all.push_back(bass);

    // Pulse for the chip arpeggio; the pitch of C-5 at 64 frames per cycle.
    xm_instrument arp = make_instrument("arp", make_pulse_loop(64, 32, 0.375, 10, false),
                                        note_frequency(c5) * 64, c5, 40, 104);
    loop_whole(&arp);
    set_envelope(&arp, {{0, 64}, {3, 44}, {12, 26}, {30, 18}, {36, 0}}, 3, 0x800);
    all.push_back(arp);

    // Chord pads in just intonation, a whole number of cycles of every voice per loop. Each
    // voice's twin runs one cycle more per loop, so the pads are tuned to the middle of the two.
    // A left and a right pad of each chord differ in their phases, which widens the pair.
    const int pad_length = 16384;
    const chord_voice minor[] = {{130, 0.5}, {260, 1.0}, {312, 0.7}, {390, 0.7}};
    const chord_voice major[] = {{128, 0.5}, {256, 1.0}, {320, 0.7}, {384, 0.7}};
    const struct {
        const char *name;
        const chord_voice *voices;
        double middle;
        uint32_t seed;
        uint8_t panning;
    } pads[] = {{"pad minor left", minor, 260.5, 0x51ed270bu, 16},
                {"pad minor right", minor, 260.5, 0x0bb67ae8u, 240},
                {"pad major left", major, 256.5, 0x3c6ef372u, 16},
                {"pad major right", major, 256.5, 0x7137449au, 240}};
    for (const auto &p : pads) {
        xm_instrument pad =
            make_instrument(p.name, make_chord_loop(pad_length, p.voices, 4, p.seed),
                            note_frequency(c4) * pad_length / p.middle, c4, 36, p.panning);
        loop_whole(&pad);
        set_envelope(&pad, {{0, 0}, {10, 64}, {40, 0}}, 1, 0x400);
        all.push_back(pad);
    }

    // The lead: a 25% pulse, 128 cycles of 64 frames per loop, with a twin one cycle faster
    // per loop that beats slowly against it; tuned to the middle of the two.
    xm_instrument lead = make_instrument("lead", make_pulse_loop(64, 128, 0.25, 10, true),
                                         note_frequency(c5) * 64 * 128 / 128.5, c5, 64, 112, 1.0);
    loop_whole(&lead);
    set_envelope(&lead, {{0, 58}, {2, 64}, {12, 62}, {24, 0}}, 2, 0x400);
    all.push_back(lead);
    xm_instrument echo = lead;
    echo.name = "lead echo";
    echo.sample.volume = 29;
    echo.sample.panning = 232;
    all.push_back(echo);

    // A hollow square with only its first odd harmonics, for counter-melodies and doubling.
    xm_instrument flute = make_instrument("flute", make_pulse_loop(64, 128, 0.5, 5, true),
                                          note_frequency(c5) * 64 * 128 / 128.5, c5, 44, 184);
    loop_whole(&flute);
    set_envelope(&flute, {{0, 48}, {4, 60}, {16, 56}, {28, 0}}, 2, 0x400);
    all.push_back(flute);

    // A plucked string for the second chorus's broken chords and a bell for the breakdown's:
    // one-shots that ring out, with a short release for a key-off.
    const double pluck_rate = note_frequency(c5) * 64.5;
    xm_instrument pluck = make_instrument(
        "pluck", make_pluck(64, static_cast<int>(0.7 * pluck_rate), 360, 0x428a2f98u), pluck_rate,
        c5, 48, 152);
    set_envelope(&pluck, {{0, 64}, {6, 0}}, 0, 0x800);
    all.push_back(pluck);
    const double bell_rate = note_frequency(c5) * 64;
    xm_instrument bell = make_instrument("bell", make_bell(64, static_cast<int>(1.2 * bell_rate)),
                                         bell_rate, c5, 48, 104);
    set_envelope(&bell, {{0, 64}, {8, 0}}, 0, 0x800);
    all.push_back(bell);
    return all;
}
