// The soundtrack rendered offline into a WAV file by the intro's own sound engine.
#pragma once

// Plays res/theme.xm through SDL_mixer on SDL's "disk" audio driver, which runs as fast
// as it can, and records the mixer's output from the music's first sample on: exactly
// `frames` video frames' worth of sound at 25 frames per second. `rate` receives the
// sample rate the mixer really delivered. On failure one line in `error`.
bool render_soundtrack(const char *wav_path, int frames, int *rate, char *error, int error_size);
