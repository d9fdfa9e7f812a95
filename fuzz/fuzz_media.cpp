// libFuzzer target: every input goes through the intro's picture loading (header check,
// then the BMP loader, then the fader's alpha blit onto a 565 display) and through its
// music loading (the module check, then the file handed to the mixer and three seconds of
// it mixed into memory, so the player's per-row and mixing code runs on it).
#include <SDL.h>
#include <SDL_mixer.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/gfx.h"
#include "intro/module_check.h"
#include "intro/pictures.h"
#include "intro/screen_sound_media.h"

static Uint16 display_pixels[screen_width * screen_height];
static bool audio_open;

// The mixer runs here without an audio device: these stand in for SDL's own, so that
// Mix_OpenAudio hands its callback over and each input's music is mixed on this thread,
// as fast as the player goes and the same way on every run.
static SDL_AudioSpec device;

extern "C" int SDL_OpenAudio(SDL_AudioSpec *desired, SDL_AudioSpec *obtained) {
    device = *desired;
    device.silence = 0;
    device.size = device.samples * device.channels * 2;
    if (obtained)
        *obtained = device;
    return 0;
}
extern "C" void SDL_PauseAudio(int) {}
extern "C" void SDL_LockAudio() {}
extern "C" void SDL_UnlockAudio() {}
extern "C" void SDL_CloseAudio() {}

enum { mixed_seconds = 3 };
static std::string module_path;
// How many inputs got past our checks into SDL's BMP loader and into the mixer.
static long inputs, pictures_loaded, modules_checked, modules_loaded;
// And how many bytes the mixer wrote that were not silence.
static long long sounding_bytes;

static void close_all() {
    std::printf("fuzz_media: %ld inputs; %ld loaded as pictures; %ld passed the module check, "
                "%ld loaded by the mixer, %lld bytes of sound mixed\n",
                inputs, pictures_loaded, modules_checked, modules_loaded, sounding_bytes);
    SDL_FreeSurface(screen);
    screen = nullptr;
    if (audio_open)
        Mix_CloseAudio();
    std::remove(module_path.c_str());
    SDL_Quit();
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    screen = SDL_CreateRGBSurfaceFrom(display_pixels, screen_width, screen_height, screen_depth,
                                      2 * screen_width, 0xF800, 0x07E0, 0x001F, 0);
    cache_pixel_format(screen->format);
    audio_open =
        Mix_OpenAudio(audio_rate, audio_sample_format, audio_channels, audio_buffer_samples) == 0 &&
        device.callback;
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
    SDL_Rect position = {panel_x, panel_y, 0, 0};
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
    static Uint8 buffer[audio_buffer_samples * audio_channels * 2];
    for (long mixed = 0; mixed < mixed_seconds * device.freq; mixed += device.samples) {
        std::memset(buffer, 0, device.size);
        device.callback(device.userdata, buffer, device.size);
        for (Uint32 i = 0; i < device.size; ++i)
            sounding_bytes += buffer[i] != 0;
    }
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
