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
    if (!check_readable_file(music_file, module_largest_file, why, sizeof why)) {
        say("no music: cannot read %s: %s", music_file, why);
        return;
    }
    if (!check_module(music_file, why, sizeof why)) {
        say("no music: not loading %s: %s", music_file, why);
        return;
    }
    s->music = Mix_LoadMUS(music_file);
    if (!s->music) {
        say("no music: cannot load %s: %s", music_file, Mix_GetError());
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
