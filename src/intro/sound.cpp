// Starting, halting and releasing the intro's soundtrack.
#include "sound.h"

#include <cstdio>

#include "media_file.h"
#include "messages.h"
#include "module_check.h"
#include "platform/std_streams.h"

void open_sound(intro_sound *s) {
    s->music = nullptr;
    // The libraries under SDL (ALSA above all) report every sound system they try; the
    // intro sums the outcome up in one line of its own instead.
    const int saved_stderr = hush_stderr();
    s->audio_open =
        Mix_OpenAudio(audio_rate, audio_sample_format, audio_channels, audio_buffer_samples) == 0;
    restore_stderr(saved_stderr);
    if (!s->audio_open) {
        say("no sound: cannot open the audio device: %s", Mix_GetError());
        return;
    }
    char why[160];
    if (!check_readable_file("res/theme.xm", module_largest_file, why, sizeof why)) {
        say("no music: cannot read res/theme.xm: %s", why);
        return;
    }
    if (!check_module("res/theme.xm", why, sizeof why)) {
        say("no music: not loading res/theme.xm: %s", why);
        return;
    }
    s->music = Mix_LoadMUS("res/theme.xm");
    if (!s->music) {
        say("no music: cannot load res/theme.xm: %s", Mix_GetError());
        return;
    }
}

void play_sound(intro_sound *s) {
    if (s->music)
        Mix_PlayMusic(s->music, -1);
}

void start_sound(intro_sound *s) {
    open_sound(s);
    play_sound(s);
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
