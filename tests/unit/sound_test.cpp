// The soundtrack's start: the mixer's format, a missing, damaged or noisy module played the way
// the intro starts it (silence and one line at most, never a fault), and the intro with every
// file of res/ missing.
#include <gtest/gtest.h>

#include <random>

#include "intro/pictures.h"
#include "intro/screen_sound_media.h"
#include "intro/sound.h"
#include "media_fixtures.h"

namespace {

// Starts the soundtrack the way the intro does, from res/theme.xm in `dir`, lets it play
// for a moment and stops it; returns what was said on stderr.
std::string play_module(const temp_folder &dir, const bytes &module) {
    dir.write("res/theme.xm", module);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    intro_sound sound;
    testing::internal::CaptureStderr();
    {
        in_folder here(dir.path);
        start_sound(&sound);
        SDL_Delay(20);
        halt_sound(&sound);
        close_sound(&sound);
    }
    return testing::internal::GetCapturedStderr();
}

// The module cut short at many lengths and overwritten with garbage: the intro starts,
// plays or stays silent with one line saying why, and stops, without a fault.
void damage_module(const bytes &module, const char *name) {
    ASSERT_GT(module.size(), 400u) << name;
    temp_folder dir;
    EXPECT_EQ(play_module(dir, module), "") << name << " as it is";
    std::mt19937 random(5);
    for (int round = 0; round < 24; ++round) {
        const bytes cut(module.begin(), module.begin() + random() % module.size());
        EXPECT_LE(line_count(play_module(dir, cut)), 1) << name << " cut at " << cut.size();
    }
    for (int round = 0; round < 24; ++round) {
        bytes garbled = module;
        const std::size_t from = round % 2 ? 60 : 17; // past the magic, or in the song header
        for (int k = 0; k < 1 + round; ++k)
            garbled[from + random() % (garbled.size() - from)] = random() & 0xFF;
        EXPECT_LE(line_count(play_module(dir, garbled)), 1) << name << " garbled " << round;
    }
    bytes noise(module.size());
    for (auto &b : noise)
        b = random() & 0xFF;
    EXPECT_EQ(line_count(play_module(dir, noise)), 1) << name << " as noise";
    EXPECT_EQ(line_count(play_module(dir, {})), 1) << name << " empty";
}

TEST(bad_module, a_small_module_cut_short_or_garbled_never_hurts) {
    damage_module(read_file("fuzz/corpus/tiny.xm"), "fuzz/corpus/tiny.xm");
}

TEST(bad_module, the_intro_s_own_module_cut_short_or_garbled_never_hurts) {
    const bytes module = read_file("res/theme.xm");
    if (module.empty())
        GTEST_SKIP() << "res/theme.xm is not there";
    damage_module(module, "res/theme.xm");
}

// The soundtrack is mixed at 22050 Hz, 16-bit stereo (the rate the module check works out
// the mixer's step for), and close_sound leaves no audio device open.
TEST(sound, the_music_is_mixed_at_22050_hz_and_the_device_closed_after) {
    temp_folder dir;
    dir.write("res/theme.xm", read_file("fuzz/corpus/tiny.xm"));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    intro_sound sound;
    int rate = 0, channels = 0;
    Uint16 format = 0;
    {
        in_folder here(dir.path);
        start_sound(&sound);
    }
    EXPECT_NE(sound.music, nullptr);
    EXPECT_EQ(Mix_QuerySpec(&rate, &format, &channels), 1);
    EXPECT_EQ(rate, audio_rate);
    EXPECT_EQ(format, audio_sample_format);
    EXPECT_EQ(channels, audio_channels);
    halt_sound(&sound);
    close_sound(&sound);
    EXPECT_EQ(Mix_QuerySpec(&rate, &format, &channels), 0) << "the audio device is still open";
}

TEST(bad_module, a_missing_module_leaves_the_intro_silent_with_one_line) {
    temp_folder dir;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    intro_sound sound;
    testing::internal::CaptureStderr();
    {
        in_folder here(dir.path);
        start_sound(&sound);
        halt_sound(&sound);
        close_sound(&sound);
    }
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(line_count(message), 1) << message;
    EXPECT_NE(message.find("res/theme.xm"), std::string::npos) << message;
}

// All 18 files missing: 17 pictures and the module each named once, silence, and frames
// that draw through both slides' turns without touching a null surface.
TEST(bad_media, every_file_missing) {
    temp_folder dir;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    intro_pictures pictures;
    intro_sound sound;
    testing::internal::CaptureStderr();
    {
        in_folder here(dir.path);
        load_pictures(&pictures);
        start_sound(&sound);
    }
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_EQ(line_count(messages), 18) << messages;
    EXPECT_NE(messages.find("res/back.dat"), std::string::npos);
    EXPECT_NE(messages.find("res/sl15.dat"), std::string::npos);
    EXPECT_NE(messages.find("res/theme.xm"), std::string::npos);
    EXPECT_EQ(pictures.background, nullptr);
    for (SDL_Surface *slide : pictures.slides)
        EXPECT_EQ(slide, nullptr);
    EXPECT_EQ(sound.music, nullptr);

    EXPECT_TRUE(frames_draw_within_the_screen(&pictures));
    halt_sound(&sound);
    close_sound(&sound);
    free_pictures(&pictures);
}

} // namespace
