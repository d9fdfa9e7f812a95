// Starting, halting and releasing the intro's soundtrack.
#include "sound.h"

#include <cstdio>

#include "media_file.h"
#include "module_check.h"
#include "platform/std_streams.h"

// No XM module worth playing comes near this; it bounds what the check reads into memory.
enum { largest_module_file = 64 << 20 };

void start_sound(intro_sound *s) {
    s->music = nullptr;
    // The libraries under SDL (ALSA above all) report every sound system they try; the
    // intro sums the outcome up in one line of its own instead.
    const int saved_stderr = hush_stderr();
    s->audio_open = Mix_OpenAudio(sound_mix_rate, AUDIO_S16LSB, 2, 1024) == 0;
    restore_stderr(saved_stderr);
    if (!s->audio_open) {
        std::fprintf(stderr, "intro: no sound: cannot open the audio device: %s\n", Mix_GetError());
        return;
    }
    char why[160];
    if (!check_readable_file("res/theme.xm", module_largest_file, why, sizeof why)) {
        std::fprintf(stderr, "intro: no music: cannot read res/theme.xm: %s\n", why);
        return;
    }
    if (!check_module("res/theme.xm", why, sizeof why)) {
        std::fprintf(stderr, "intro: no music: not loading res/theme.xm: %s\n", why);
        return;
    }
    s->music = Mix_LoadMUS("res/theme.xm");
    if (!s->music) {
        std::fprintf(stderr, "intro: no music: cannot load res/theme.xm: %s\n", Mix_GetError());
        return;
    }
    Mix_PlayMusic(s->music, -1);
}

void halt_sound(intro_sound *s) {
    if (s->audio_open)
        Mix_HaltMusic();
}

void close_sound(intro_sound *s) {
    if (s->music)
        Mix_FreeMusic(s->music);
    s->music = nullptr;
    if (s->audio_open)
        Mix_CloseAudio();
    s->audio_open = false;
}
