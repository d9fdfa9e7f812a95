// libFuzzer target: every input goes through the intro's picture loading (header check,
// then the BMP loader, then the fader's alpha blit onto a 565 display) and through its
// music loading (the module check, then the file handed to the mixer, started and halted).
#include <SDL.h>
#include <SDL_mixer.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gfx/gfx.h"
#include "intro/module_check.h"
#include "intro/pictures.h"

static Uint16 display_pixels[320 * 240];
static bool audio_open;
static std::string module_path;
// How many inputs got past our checks into SDL's BMP loader and into the mixer.
static long inputs, pictures_loaded, modules_checked, modules_loaded;

static void close_all() {
    std::printf("fuzz_media: %ld inputs; %ld loaded as pictures; %ld passed the module check, "
                "%ld loaded by the mixer\n",
                inputs, pictures_loaded, modules_checked, modules_loaded);
    SDL_FreeSurface(screen);
    screen = nullptr;
    if (audio_open)
        Mix_CloseAudio();
    std::remove(module_path.c_str());
    SDL_Quit();
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    screen = SDL_CreateRGBSurfaceFrom(display_pixels, 320, 240, 16, 640, 0xF800, 0x07E0, 0x001F, 0);
    cache_pixel_format(screen->format);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    audio_open = Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) == 0;
    const char *tmp = std::getenv("TMPDIR");
    module_path =
        std::string(tmp ? tmp : "/tmp") + "/fuzz_media." + std::to_string(getpid()) + ".xm";
    std::atexit(close_all);
    return 0;
}

static void try_picture(const std::uint8_t *data, std::size_t size) {
    SDL_RWops *stream = SDL_RWFromConstMem(data, static_cast<int>(size));
    SDL_Surface *picture = load_picture_rw(stream, "fuzz input");
    if (!picture)
        return;
    ++pictures_loaded;
    SDL_SetAlpha(picture, SDL_SRCALPHA | SDL_RLEACCEL, 128);
    SDL_Rect position = {10, 110, 0, 0};
    SDL_UpperBlit(picture, nullptr, screen, &position);
    SDL_FreeSurface(picture);
}

// The intro loads its module by file name, so the input is written to a file first.
static void try_module(const std::uint8_t *data, std::size_t size) {
    if (!audio_open)
        return;
    std::FILE *f = std::fopen(module_path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    char why[160];
    if (!check_module(module_path.c_str(), why, sizeof why))
        return;
    ++modules_checked;
    Mix_Music *music = Mix_LoadMUS(module_path.c_str());
    if (!music)
        return;
    ++modules_loaded;
    Mix_PlayMusic(music, -1);
    Mix_HaltMusic();
    Mix_FreeMusic(music);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > (1u << 22))
        return 0;
    ++inputs;
    try_picture(data, size);
    try_module(data, size);
    return 0;
}
