// The committed res/theme.xm: make-music writes it again byte for byte, the intro's own check
// admits it, and two independent players (libopenmpt through openmpt123, libmikmod through
// SDL_mixer, the intro's player) read it, play it alike at a healthy level without clipping,
// and SDL_mixer's loop back to the first order has no gap, drop or click. Its voices rendered
// apart show the lead standing out in every chorus and verse, and the flute over the bass in the
// interlude.
#include <SDL.h>
#include <SDL_mixer.h>

#include "command.h"
#include "files.h"
#include "intro/module_check.h"
#include "intro/screen_sound_media.h"
#include "score.h"
#include "song.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string theme_path = std::string(SOURCE_DIR) + "/res/theme.xm";

// The text after "key" up to the end of its line, with the dots and colon of openmpt123's
// layout or the spaces of sox's skipped.
std::string field(const std::string &text, const std::string &key) {
    const size_t at = text.find(key);
    if (at == std::string::npos)
        return "";
    size_t from = at + key.size();
    while (from < text.size() && (text[from] == '.' || text[from] == ':' || text[from] == ' '))
        ++from;
    return text.substr(from, text.find('\n', from) - from);
}

class TempDir : public ::testing::Test {
  protected:
    temp_folder folder{"music_test"};
    const std::string dir = folder.path;
};

using Module = TempDir;

TEST_F(Module, RegeneratesByteForByte) {
    const std::string out = dir + "/theme.xm";
    ASSERT_EQ(std::system((std::string(MAKE_MUSIC_EXE) + " '" + out + "'").c_str()), 0);
    const bytes committed = read_file(theme_path);
    ASSERT_GT(committed.size(), 1000u);
    EXPECT_TRUE(read_file(out) == committed) << "res/theme.xm differs from make-music's output";
}

TEST_F(Module, MakeMusicRefusesAMissingArgument) {
    EXPECT_NE(std::system((std::string(MAKE_MUSIC_EXE) + " >/dev/null 2>&1").c_str()), 0);
}

TEST(ModuleCheck, TheIntroAdmitsIt) {
    char why[200] = "";
    EXPECT_TRUE(check_module(theme_path.c_str(), why, sizeof why)) << why;
}

TEST(ModuleInfo, OpenmptReadsAnXmOfTheRightShapeAndLength) {
    const std::string info = run_command("openmpt123 --info '" + theme_path + "'").output;
    EXPECT_EQ(field(info, "Type").substr(0, 3), "xm ") << info;
    EXPECT_NE(field(info, "Type").find("v1.04"), std::string::npos) << info;
    EXPECT_EQ(std::atoi(field(info, "Channels").c_str()), 12) << info;
    EXPECT_GE(std::atoi(field(info, "Orders").c_str()), 16) << info;
    EXPECT_GE(std::atoi(field(info, "Patterns").c_str()), 4) << info;
    const std::string duration = field(info, "Duration"); // mm:ss.mmm
    ASSERT_EQ(duration.size(), 9u) << info;
    const double seconds = std::atoi(duration.c_str()) * 60 + std::atof(duration.c_str() + 3);
    EXPECT_GE(seconds, 120.0);
    EXPECT_LE(seconds, 180.0);
}

TEST_F(Module, OpenmptRenderIsLoudWithHeadroom) {
    const std::string copy = dir + "/theme.xm";
    ASSERT_EQ(std::system(("cp '" + theme_path + "' '" + copy + "'").c_str()), 0);
    run_command("openmpt123 --batch --render --samplerate 22050 --channels 2 '" + copy + "'");
    const std::string stats = run_command("sox '" + copy + ".wav' -n stats").output;
    const std::string peak = field(stats, "Pk lev dB");
    const std::string rms = field(stats, "RMS lev dB");
    ASSERT_FALSE(peak.empty()) << stats;
    ASSERT_FALSE(rms.empty()) << stats;
    EXPECT_LT(std::atof(peak.c_str()), -1.0) << stats;
    EXPECT_GT(std::atof(peak.c_str()), -12.0) << stats;
    EXPECT_GT(std::atof(rms.c_str()), -22.0) << stats;
    EXPECT_LT(std::atof(rms.c_str()), -10.0) << stats;
    EXPECT_GT(std::atof(field(stats, "Length s").c_str()), 120.0) << stats;
}

const int rate = audio_rate;
const double section_seconds = 64 * 6 * 2.5 / 128; // a four-bar pattern at speed 6, 128 BPM

// The shell command that has openmpt123 render an XM file to a WAV beside it, at the intro's rate.
std::string openmpt_render(const std::string &xm) {
    return "openmpt123 --batch --render --samplerate " + std::to_string(rate) + " --channels 2 '" +
           xm + "'";
}

// The samples of a WAV file, interleaved as 16-bit stereo.
std::vector<int16_t> read_wav(const std::string &wav) {
    run_command("sox '" + wav + "' -t raw -e signed -b 16 '" + wav + ".raw'");
    const bytes raw = read_file(wav + ".raw");
    std::vector<int16_t> pcm(raw.size() / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(raw[2 * i] | raw[2 * i + 1] << 8);
    return pcm;
}

struct recording {
    std::vector<int16_t> pcm; // interleaved stereo
    size_t wanted = 0;
};

// Runs on the audio thread after SDL_mixer has mixed each buffer.
void record_mix(void *udata, Uint8 *stream, int len) {
    recording *r = static_cast<recording *>(udata);
    const int16_t *samples = reinterpret_cast<const int16_t *>(stream);
    for (int i = 0; i < len / 2 && r->pcm.size() < r->wanted; ++i)
        r->pcm.push_back(samples[i]);
}

// Plays the theme looped through SDL_mixer, as the intro does, on SDL's disk audio driver, and
// keeps the first `seconds` of what the mixer mixed, at 22050 Hz from the first buffer on.
std::vector<int16_t> play_through_sdl_mixer(double seconds) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    recording r;
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        ADD_FAILURE() << SDL_GetError();
        return r.pcm;
    }
    if (Mix_OpenAudio(rate, audio_sample_format, audio_channels, audio_buffer_samples) != 0) {
        ADD_FAILURE() << Mix_GetError();
        SDL_Quit();
        return r.pcm;
    }
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    EXPECT_EQ(frequency, rate);
    EXPECT_EQ(channels, 2);
    Mix_Music *music = Mix_LoadMUS(theme_path.c_str());
    EXPECT_NE(music, nullptr) << Mix_GetError();
    if (music && frequency == rate && channels == 2) {
        EXPECT_EQ(Mix_GetMusicType(music), MUS_MOD);
        r.wanted = static_cast<size_t>(seconds * rate) * 2;
        r.pcm.reserve(r.wanted);
        SDL_LockAudio();
        Mix_SetPostMix(record_mix, &r);
        EXPECT_EQ(Mix_PlayMusic(music, -1), 0);
        SDL_UnlockAudio();
        for (int waited = 0; waited < 60000; waited += 5) {
            SDL_LockAudio();
            const bool done = r.pcm.size() >= r.wanted;
            SDL_UnlockAudio();
            if (done)
                break;
            SDL_Delay(5);
        }
        SDL_LockAudio();
        Mix_SetPostMix(nullptr, nullptr);
        SDL_UnlockAudio();
        EXPECT_EQ(r.pcm.size(), r.wanted);
        Mix_HaltMusic();
    }
    if (music)
        Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
    return r.pcm;
}

double db(double mean_square) {
    return 10.0 * std::log10(mean_square / (32768.0 * 32768.0) + 1e-30);
}

// Mean square of stereo frames [from, to).
double mean_square(const std::vector<int16_t> &pcm, size_t from, size_t to) {
    double energy = 0;
    for (size_t i = from * 2; i < to * 2; ++i)
        energy += static_cast<double>(pcm[i]) * pcm[i];
    return energy / std::max<size_t>(1, (to - from) * 2);
}

struct levels {
    double peak_db;
    long clipped;
    double rms_db;
};

levels measure(const std::vector<int16_t> &pcm, size_t frames) {
    int peak = 0;
    long clipped = 0;
    for (size_t i = 0; i < frames * 2; ++i) {
        const int v = pcm[i];
        peak = std::max(peak, std::abs(v));
        clipped += v >= 32767 || v <= -32767;
    }
    return {20.0 * std::log10(peak / 32768.0), clipped, db(mean_square(pcm, 0, frames))};
}

// One render by each player, shared by the tests below: openmpt123 plays the song once,
// SDL_mixer plays it and loops into it again.
class Players : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const temp_folder dir("music_players");
        const std::string copy = dir.path + "/theme.xm";
        ASSERT_EQ(std::system(("cp '" + theme_path + "' '" + copy + "'").c_str()), 0);
        run_command(openmpt_render(copy));
        openmpt = new std::vector<int16_t>(read_wav(copy + ".wav"));
        ASSERT_GT(openmpt->size(), static_cast<size_t>(rate) * 2 * 10) << "no openmpt render";
        sdl = new std::vector<int16_t>(play_through_sdl_mixer(openmpt->size() / 2.0 / rate + 4.0));
        seam = find_restart(*sdl, openmpt->size() / 2, &restart_error);
    }
    static void TearDownTestSuite() {
        delete openmpt;
        delete sdl;
        openmpt = sdl = nullptr;
    }

    // The frame where SDL_mixer starts the song again: where its output best matches its
    // first 25 ms, within a second of the length openmpt123 plays. `error` is the mean
    // difference there, in sample units.
    static size_t find_restart(const std::vector<int16_t> &pcm, size_t expected, double *error) {
        const size_t probe = rate / 40;
        size_t best = 0;
        double best_error = 1e30;
        for (size_t at = expected - rate; at < expected + rate; ++at) {
            if ((at + probe) * 2 > pcm.size())
                break;
            double e = 0;
            for (size_t i = 0; i < probe * 2 && e < best_error * probe * 2; ++i)
                e += std::abs(pcm[at * 2 + i] - pcm[i]);
            e /= probe * 2;
            if (e < best_error) {
                best_error = e;
                best = at;
            }
        }
        *error = best_error;
        return best;
    }

    static std::vector<int16_t> *openmpt, *sdl;
    static size_t seam;
    static double restart_error;
};
std::vector<int16_t> *Players::openmpt = nullptr;
std::vector<int16_t> *Players::sdl = nullptr;
size_t Players::seam = 0;
double Players::restart_error = 0;

TEST_F(Players, SdlMixerLoadsItAsAModuleAndPlaysItLoudWithoutClipping) {
    ASSERT_GT(seam, static_cast<size_t>(rate) * 10);
    const levels l = measure(*sdl, seam);
    EXPECT_EQ(l.clipped, 0);
    EXPECT_LT(l.peak_db, -1.0);
    EXPECT_GT(l.peak_db, -12.0);
    EXPECT_GT(l.rms_db, -22.0);
    EXPECT_LT(l.rms_db, -10.0);
}

TEST_F(Players, SdlMixerLoopsBackWithoutGapDropOrClick) {
    ASSERT_GT(seam, static_cast<size_t>(rate) * 10);
    ASSERT_LT((seam + rate) * 2, sdl->size());
    EXPECT_LT(restart_error, 100.0) << "SDL_mixer did not start the song again";
    // No digital silence in the second around the seam: not one millisecond of zeros.
    size_t run_length = 0, longest = 0;
    for (size_t f = seam - rate; f < seam + rate; ++f) {
        run_length = (*sdl)[f * 2] == 0 && (*sdl)[f * 2 + 1] == 0 ? run_length + 1 : 0;
        longest = std::max(longest, run_length);
    }
    EXPECT_LT(longest, static_cast<size_t>(rate / 1000)) << "frames of silence at the seam";
    // The level of the 100 ms after the seam within 6 dB of the 100 ms before, and no 100 ms
    // window in the half second either side falling away.
    const size_t window = rate / 10;
    const double before = db(mean_square(*sdl, seam - window, seam));
    const double after = db(mean_square(*sdl, seam, seam + window));
    EXPECT_LT(std::fabs(after - before), 6.0) << before << " dB before, " << after << " after";
    for (size_t w = seam - 5 * window; w < seam + 5 * window; w += window)
        EXPECT_GT(db(mean_square(*sdl, w, w + window)), -36.0) << "at frame " << w;
    // No click: no step between samples around the seam larger than the song's own
    // 99.9th-percentile step.
    std::vector<int> steps;
    for (size_t i = 2; i < seam * 2; ++i)
        steps.push_back(std::abs((*sdl)[i] - (*sdl)[i - 2]));
    std::nth_element(steps.begin(), steps.begin() + steps.size() * 999 / 1000, steps.end());
    const int usual = steps[steps.size() * 999 / 1000];
    int largest = 0;
    for (size_t i = (seam - rate / 500) * 2; i < (seam + rate / 500) * 2; ++i)
        largest = std::max(largest, std::abs((*sdl)[i] - (*sdl)[i - 2]));
    EXPECT_LE(largest, usual) << "a click at the seam";
}

TEST_F(Players, OpenmptAndSdlMixerAgreeOnLengthAndLevel) {
    const size_t length = openmpt->size() / 2;
    ASSERT_GT(seam, static_cast<size_t>(rate) * 10);
    EXPECT_NEAR(static_cast<double>(seam) / length, 1.0, 0.005)
        << "SDL_mixer plays " << seam << " frames, openmpt123 " << length;
    const levels a = measure(*openmpt, length), b = measure(*sdl, seam);
    EXPECT_NEAR(a.rms_db, b.rms_db, 0.5);
    for (const levels &l : {a, b}) {
        EXPECT_EQ(l.clipped, 0);
        EXPECT_LE(l.peak_db, -1.0);
    }
}

double correlation(const std::vector<int16_t> &pcm, size_t frames) {
    double l = 0, r = 0, ll = 0, rr = 0, lr = 0;
    for (size_t f = 0; f < frames; ++f) {
        const double a = pcm[f * 2], b = pcm[f * 2 + 1];
        l += a, r += b, ll += a * a, rr += b * b, lr += a * b;
    }
    const double n = static_cast<double>(frames);
    return (lr - l * r / n) / std::sqrt((ll - l * l / n) * (rr - r * r / n));
}

// Left over right in dB, by mean square, of the first `frames` stereo frames.
double balance_db(const std::vector<int16_t> &pcm, size_t frames) {
    double l = 0, r = 0;
    for (size_t f = 0; f < frames; ++f) {
        l += static_cast<double>(pcm[f * 2]) * pcm[f * 2];
        r += static_cast<double>(pcm[f * 2 + 1]) * pcm[f * 2 + 1];
    }
    return 10.0 * std::log10((l + 1) / (r + 1));
}

TEST_F(Players, BothPlayADistinctBalancedStereoImage) {
    ASSERT_GT(seam, static_cast<size_t>(rate) * 10);
    for (double c : {correlation(*openmpt, openmpt->size() / 2), correlation(*sdl, seam)}) {
        EXPECT_GT(c, 0.6);
        EXPECT_LT(c, 0.85);
    }
    for (double b : {balance_db(*openmpt, openmpt->size() / 2), balance_db(*sdl, seam)})
        EXPECT_LT(std::fabs(b), 1.0) << b << " dB left over right";
}

// The sections are four-bar patterns at one tempo. Each step of the arc is louder than the one
// before: the first verse (the third and fourth sections), its pre-chorus, its chorus, the
// second chorus and the last chorus, which stands clearly above the verse; the breakdown before
// it, well below.
TEST_F(Players, TheSectionsRiseFromVerseToLastChorusAndTheBreakdownFallsBelow) {
    const size_t section = static_cast<size_t>(section_seconds * rate);
    ASSERT_GE(openmpt->size() / 2, section * 17);
    auto level = [&](int first, int count) {
        return db(mean_square(*openmpt, section * first, section * (first + count)));
    };
    const double arc[] = {level(2, 2), level(4, 1), level(5, 2), level(11, 2), level(15, 2)};
    for (int i = 1; i < 5; ++i)
        EXPECT_GE(arc[i] - arc[i - 1], 0.3)
            << "step " << i << ": " << arc[i - 1] << " dB, then " << arc[i];
    EXPECT_GE(arc[4] - arc[0], 3.0) << arc[0] << " dB verse, " << arc[4] << " last chorus";
    EXPECT_LE(level(13, 1) - arc[0], -2.0) << level(13, 1) << " dB breakdown";
}

// The loudness (EBU R 128 integrated, in LUFS, by ffmpeg's ebur128 filter) of each of the
// sections `sections` in each WAV file of `wavs`, file by file.
std::vector<double> section_loudness(const std::vector<std::string> &wavs,
                                     const std::vector<int> &sections) {
    std::string inputs, graph, outputs;
    int n = 0;
    for (const std::string &wav : wavs)
        for (int s : sections) {
            const std::string i = std::to_string(n++);
            inputs += " -ss " + std::to_string(s * section_seconds) + " -t " +
                      std::to_string(section_seconds) + " -i '" + wav + "'";
            graph += "[" + i + "]ebur128[o" + i + "];";
            outputs += " -map '[o" + i + "]' -f null -";
        }
    graph.pop_back();
    const std::string log = run_command("ffmpeg -nostats -hide_banner" + inputs +
                                        " -filter_complex '" + graph + "'" + outputs)
                                .output;
    // Each filter's summary is the last one it prints; the integrated loudness comes first.
    std::vector<double> lufs;
    for (int i = 0; i < n; ++i) {
        const size_t at = log.rfind("Parsed_ebur128_" + std::to_string(i) + " @");
        const size_t summary = at == std::string::npos ? at : log.find("Summary:", at);
        lufs.push_back(summary == std::string::npos
                           ? 0.0
                           : std::atof(field(log.substr(summary), "I:").c_str()));
    }
    return lufs;
}

// openmpt123's renders of the theme as make_theme builds it (the same as res/theme.xm), once
// for each voice with only that voice's channels playing; returns the WAV files.
std::vector<std::string> render_voices(const std::string &dir,
                                       const std::vector<std::vector<int>> &voices) {
    const xm_module theme = make_theme();
    std::vector<std::string> wavs;
    std::string renders;
    for (const std::vector<int> &channels : voices) {
        xm_module m = theme;
        for (xm_pattern &p : m.patterns)
            for (int ch = 0; ch < m.channels; ++ch)
                for (int r = 0; r < p.rows; ++r)
                    if (std::find(channels.begin(), channels.end(), ch) == channels.end())
                        cell_at(p, r, ch).note = 0;
        const std::string xm = dir + "/voice" + std::to_string(wavs.size()) + ".xm";
        write_file(xm, xm_write(m));
        renders += openmpt_render(xm) + " & ";
        wavs.push_back(xm + ".wav");
    }
    run_command(renders + "wait");
    return wavs;
}

// The theme's voices, each rendered apart by openmpt123 once for the tests below, and the
// loudness of each voice in each section the tests look at.
enum voice { lead, pads, arpeggio, bass, drums, flute, voice_count };
const char *const voice_names[voice_count] = {"lead", "pads", "arpeggio", "bass", "drums", "flute"};

const std::vector<int> choruses = {5, 6, 11, 12, 15, 16}; // first, second and last, two each
const std::vector<int> verses = {2, 3, 8, 9};
const int interlude = 7;

class Voices : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const temp_folder dir("music_voices");
        const std::vector<std::string> wavs =
            render_voices(dir.path, {{ch_lead},
                                     {ch_pad_left, ch_pad_right},
                                     {ch_arp},
                                     {ch_bass},
                                     {ch_kick, ch_snare, ch_hat, ch_tom},
                                     {ch_flute}});
        sections = choruses;
        sections.insert(sections.end(), verses.begin(), verses.end());
        sections.push_back(interlude);
        lufs = new std::vector<double>(section_loudness(wavs, sections));
        arp = new std::vector<int16_t>(read_wav(wavs[arpeggio]));
    }
    static void TearDownTestSuite() {
        delete lufs;
        delete arp;
        lufs = nullptr;
        arp = nullptr;
    }
    // The loudness of voice `v` in section `s`, in LUFS.
    static double level(voice v, int s) {
        const size_t at = std::find(sections.begin(), sections.end(), s) - sections.begin();
        return (*lufs)[v * sections.size() + at];
    }
    // Every voice's loudness in section `s`, for a failure's message.
    static std::string levels_in(int s) {
        std::string text = "section " + std::to_string(s) + ":";
        for (int v = 0; v < voice_count; ++v)
            text += std::string(" ") + voice_names[v] + " " +
                    std::to_string(level(static_cast<voice>(v), s));
        return text + " LUFS";
    }
    static std::vector<int> sections;
    static std::vector<double> *lufs;
    static std::vector<int16_t> *arp;
};
std::vector<int> Voices::sections;
std::vector<double> *Voices::lufs = nullptr;
std::vector<int16_t> *Voices::arp = nullptr;

// In each chorus the lead carries the tune: 3 to 5 dB over the pads, well over the arpeggio,
// and clearly over the bass and the drums.
TEST_F(Voices, TheLeadStandsOverEveryOtherVoiceInEveryChorus) {
    ASSERT_EQ(lufs->size(), voice_count * sections.size());
    for (int s : choruses) {
        ASSERT_LT(level(lead, s), -10.0) << levels_in(s);
        for (voice v : {pads, arpeggio, bass, drums})
            ASSERT_GT(level(v, s), -60.0) << levels_in(s);
        EXPECT_GE(level(lead, s) - level(pads, s), 3.0) << levels_in(s);
        EXPECT_LE(level(lead, s) - level(pads, s), 5.0) << levels_in(s);
        EXPECT_GE(level(lead, s) - level(arpeggio, s), 6.0) << levels_in(s);
        EXPECT_GE(level(lead, s) - level(bass, s), 2.0) << levels_in(s);
        EXPECT_GE(level(lead, s) - level(drums, s), 2.0) << levels_in(s);
    }
}

// In the verses, too, the tune stays in front of the groove.
TEST_F(Voices, TheLeadStandsOverBassAndDrumsInEveryVerse) {
    ASSERT_EQ(lufs->size(), voice_count * sections.size());
    for (int s : verses) {
        for (voice v : {lead, bass, drums})
            ASSERT_GT(level(v, s), -60.0) << levels_in(s);
        EXPECT_GE(level(lead, s) - level(bass, s), 2.0) << levels_in(s);
        EXPECT_GE(level(lead, s) - level(drums, s), 2.0) << levels_in(s);
    }
}

// The interlude has no lead: its melody is the flute's, over the half-time bass.
TEST_F(Voices, TheFluteStandsOverTheBassInTheInterlude) {
    ASSERT_EQ(lufs->size(), voice_count * sections.size());
    ASSERT_GT(level(bass, interlude), -60.0) << levels_in(interlude);
    EXPECT_GE(level(flute, interlude) - level(bass, interlude), 2.0) << levels_in(interlude);
}

TEST_F(Voices, TheArpeggioSitsNearTheMiddle) {
    ASSERT_GT(arp->size(), static_cast<size_t>(rate) * 2 * 60);
    const double b = balance_db(*arp, arp->size() / 2);
    EXPECT_LT(std::fabs(b), 4.0) << b << " dB left over right";
}

} // namespace
