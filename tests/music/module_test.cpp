// The committed res/theme.xm: make-music writes it again byte for byte, and two independent
// players (libopenmpt through openmpt123, libmikmod through SDL_mixer) read and play it at a
// healthy level without clipping.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string theme_path = std::string(SOURCE_DIR) + "/res/theme.xm";

std::vector<char> read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell command and returns what it printed on stdout and stderr.
std::string run(const std::string &command) {
    std::string out;
    std::FILE *p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    pclose(p);
    return out;
}

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
    void SetUp() override {
        char name[] = "/tmp/music_test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override { run("rm -rf '" + dir + "'"); }
    std::string dir;
};

using Module = TempDir;

TEST_F(Module, RegeneratesByteForByte) {
    const std::string out = dir + "/theme.xm";
    ASSERT_EQ(std::system((std::string(MAKE_MUSIC_EXE) + " '" + out + "'").c_str()), 0);
    const std::vector<char> committed = read_file(theme_path);
    ASSERT_GT(committed.size(), 1000u);
    EXPECT_TRUE(read_file(out) == committed) << "res/theme.xm differs from make-music's output";
}

TEST_F(Module, MakeMusicRefusesAMissingArgument) {
    EXPECT_NE(std::system((std::string(MAKE_MUSIC_EXE) + " >/dev/null 2>&1").c_str()), 0);
}

TEST(ModuleInfo, OpenmptReadsAnXmOfTheRightShapeAndLength) {
    const std::string info = run("openmpt123 --info '" + theme_path + "'");
    EXPECT_EQ(field(info, "Type").substr(0, 3), "xm ") << info;
    EXPECT_NE(field(info, "Type").find("v1.04"), std::string::npos) << info;
    EXPECT_GE(std::atoi(field(info, "Channels").c_str()), 6) << info;
    EXPECT_GE(std::atoi(field(info, "Orders").c_str()), 12) << info;
    EXPECT_GE(std::atoi(field(info, "Patterns").c_str()), 4) << info;
    const std::string duration = field(info, "Duration"); // mm:ss.mmm
    ASSERT_EQ(duration.size(), 9u) << info;
    const double seconds = std::atoi(duration.c_str()) * 60 + std::atof(duration.c_str() + 3);
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 180.0);
}

TEST_F(Module, OpenmptRenderIsLoudWithHeadroom) {
    const std::string copy = dir + "/theme.xm";
    ASSERT_EQ(std::system(("cp '" + theme_path + "' '" + copy + "'").c_str()), 0);
    run("openmpt123 --batch --render --samplerate 22050 --channels 2 '" + copy + "'");
    const std::string stats = run("sox '" + copy + ".wav' -n stats");
    const std::string peak = field(stats, "Pk lev dB");
    const std::string rms = field(stats, "RMS lev dB");
    ASSERT_FALSE(peak.empty()) << stats;
    ASSERT_FALSE(rms.empty()) << stats;
    EXPECT_LT(std::atof(peak.c_str()), -1.0) << stats;
    EXPECT_GT(std::atof(peak.c_str()), -12.0) << stats;
    EXPECT_GT(std::atof(rms.c_str()), -22.0) << stats;
    EXPECT_LT(std::atof(rms.c_str()), -10.0) << stats;
    EXPECT_GT(std::atof(field(stats, "Length s").c_str()), 60.0) << stats;
}

// Plays the theme through SDL_mixer into SDL's disk audio driver, as fast as it mixes, until
// `seconds` of stereo 16-bit output at `rate` are written. The driver may write at a rate of
// its own choosing; level and clipping do not depend on it.
std::vector<int16_t> play_through_sdl_mixer(const std::string &raw, double seconds, int rate) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    std::vector<int16_t> pcm;
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        ADD_FAILURE() << SDL_GetError();
        return pcm;
    }
    if (Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) != 0) {
        ADD_FAILURE() << Mix_GetError();
        SDL_Quit();
        return pcm;
    }
    Mix_Music *music = Mix_LoadMUS(theme_path.c_str());
    EXPECT_NE(music, nullptr) << Mix_GetError();
    if (music) {
        EXPECT_EQ(Mix_GetMusicType(music), MUS_MOD);
        EXPECT_EQ(Mix_PlayMusic(music, -1), 0);
        const long want = static_cast<long>(seconds * rate) * 4;
        struct stat st {};
        for (int waited = 0; waited < 60000; waited += 10) {
            if (stat(raw.c_str(), &st) == 0 && st.st_size >= want)
                break;
            SDL_Delay(10);
        }
        EXPECT_GE(st.st_size, want);
        Mix_HaltMusic();
        Mix_FreeMusic(music);
    }
    Mix_CloseAudio();
    SDL_Quit();
    const std::vector<char> bytes = read_file(raw);
    pcm.resize(bytes.size() / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                      static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    return pcm;
}

TEST_F(Module, SdlMixerLoadsItAsAModuleAndPlaysItLoudWithoutClipping) {
    // Enough for the whole song and its restart even if the driver writes at 44100 Hz.
    std::vector<int16_t> pcm = play_through_sdl_mixer(dir + "/out.raw", 110.0, 44100);
    // The driver writes silence while the module loads; measure from the first sound on.
    size_t first = 0;
    while (first < pcm.size() && pcm[first] == 0)
        ++first;
    ASSERT_LT(first + 44100 * 2 * 60, pcm.size()) << "less than a minute of sound";
    int peak = 0;
    long clipped = 0;
    double energy = 0;
    for (size_t i = first; i < pcm.size(); ++i) {
        const int v = pcm[i];
        peak = std::max(peak, std::abs(v));
        clipped += v >= 32767 || v <= -32767;
        energy += static_cast<double>(v) * v;
    }
    const double peak_db = 20.0 * std::log10(peak / 32768.0);
    const double rms_db = 10.0 * std::log10(energy / (pcm.size() - first) / (32768.0 * 32768.0));
    EXPECT_EQ(clipped, 0);
    EXPECT_LT(peak_db, -1.0);
    EXPECT_GT(peak_db, -12.0);
    EXPECT_GT(rms_db, -22.0);
    EXPECT_LT(rms_db, -10.0);
}

} // namespace
