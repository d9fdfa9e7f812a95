// Plays a module through SDL_mixer into SDL's disk audio driver until some seconds of
// output are mixed, for running the player under valgrind. With --intro the module is
// res/theme.xm in the current folder, started by the intro's own start_sound (its check
// first); otherwise the file named goes to the mixer, with --checked only if the intro's
// module check admits it.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "intro/module_check.h"
#include "intro/screen_sound_media.h"
#include "intro/sound.h"

static volatile long mixed_bytes;

static void count_mixed(void *, Uint8 *, int len) {
    mixed_bytes += len;
}

int main(int argc, char **argv) {
    const bool intro = argc == 3 && std::strcmp(argv[1], "--intro") == 0;
    const bool checked = argc == 4 && std::strcmp(argv[1], "--checked") == 0;
    if (!intro && !(argc == 3 && argv[1][0] != '-') && !checked) {
        std::fprintf(stderr, "usage: module-player --intro SECONDS | [--checked] SECONDS FILE\n");
        return 2;
    }
    const double seconds = std::atof(argv[intro || checked ? 2 : 1]);
    const char *file = argv[argc - 1];
    char why[160];
    if (checked && !check_module(file, why, sizeof why)) {
        std::fprintf(stderr, "module-player: not loading %s: %s\n", file, why);
        return 3;
    }
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "module-player: %s\n", SDL_GetError());
        return 1;
    }
    intro_sound sound{};
    Mix_Music *music = nullptr;
    if (intro) {
        start_sound(&sound);
        if (!sound.music) {
            close_sound(&sound);
            SDL_Quit();
            return 3;
        }
    } else {
        if (Mix_OpenAudio(audio_rate, audio_sample_format, audio_channels, audio_buffer_samples) !=
            0) {
            std::fprintf(stderr, "module-player: %s\n", Mix_GetError());
            return 1;
        }
        music = Mix_LoadMUS(file);
        if (!music) {
            std::fprintf(stderr, "module-player: cannot load %s: %s\n", file, Mix_GetError());
            Mix_CloseAudio();
            SDL_Quit();
            return 3;
        }
        Mix_PlayMusic(music, -1);
    }
    int frequency = audio_rate, channels = audio_channels;
    Uint16 format;
    Mix_QuerySpec(&frequency, &format, &channels);
    const long wanted = static_cast<long>(seconds * frequency) * 2 * channels;
    Mix_SetPostMix(count_mixed, nullptr);
    for (int waited = 0; mixed_bytes < wanted && waited < 120000; waited += 5)
        SDL_Delay(5);
    Mix_SetPostMix(nullptr, nullptr);
    if (intro) {
        halt_sound(&sound);
        close_sound(&sound);
    } else {
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        Mix_CloseAudio();
    }
    SDL_Quit();
    std::printf("module-player: mixed %ld bytes\n", static_cast<long>(mixed_bytes));
    return 0;
}
