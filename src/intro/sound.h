// The soundtrack: opening the audio device and looping the music file.
#pragma once

#include <SDL_mixer.h>

struct intro_sound {
    bool audio_open;
    Mix_Music *music;
};

// Opens the audio device in the intro's audio format and loads the module. Without an audio
// device or the music it says so in one line and the intro stays silent.
void open_sound(intro_sound *s);

// Starts the loaded module looping; nothing without one.
void play_sound(intro_sound *s);

// Both at once.
void start_sound(intro_sound *s);

void halt_sound(intro_sound *s);

// Frees the music and closes the audio device.
void close_sound(intro_sound *s);
