// Recording SDL_mixer's output: a post-mix hook copies every mixed buffer into a WAV file
// while the disk audio driver pulls buffers without waiting.
#include "soundtrack.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "interrupts.h"
#include "intro/module_check.h"
#include "intro/screen_sound_media.h"
#include "offscreen.h"
#include "wav.h"

namespace {

struct recording {
    std::FILE *file;
    unsigned wanted_bytes;
    std::atomic<unsigned> written_bytes;
    std::atomic<bool> failed;
};

// Runs on the audio thread with the audio lock held, after the mixer has mixed `len` bytes.
void record_mix(void *udata, Uint8 *stream, int len) {
    recording *r = static_cast<recording *>(udata);
    const unsigned done = r->written_bytes.load();
    if (done >= r->wanted_bytes || r->failed.load())
        return;
    unsigned n = static_cast<unsigned>(len);
    if (n > r->wanted_bytes - done)
        n = r->wanted_bytes - done;
    if (std::fwrite(stream, 1, n, r->file) != n)
        r->failed = true;
    r->written_bytes = done + n;
}

bool fail(char *error, int error_size, const char *what, const char *why) {
    std::snprintf(error, error_size, "%s: %s", what, why);
    return false;
}

} // namespace

bool render_soundtrack(const char *wav_path, int frames, int *rate, char *error, int error_size) {
    // The disk driver writes what it plays to a file as fast as the mixer can fill it; the
    // copy that matters is the one the hook takes, so its own file goes nowhere.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    // The driver announces itself on stderr as if by mistake; failures come back through
    // SDL_GetError, so its stderr is shut while it opens.
    std::fflush(stderr);
    const int saved_stderr = dup(STDERR_FILENO);
    const int null_fd = open("/dev/null", O_WRONLY);
    if (saved_stderr >= 0 && null_fd >= 0)
        dup2(null_fd, STDERR_FILENO);
    bool opened = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!opened)
        fail(error, error_size, "cannot start SDL's disk audio driver", SDL_GetError());
    else if (!(opened = Mix_OpenAudio(audio_rate, audio_sample_format, audio_channels,
                                      audio_buffer_samples) == 0)) {
        fail(error, error_size, "cannot open the disk audio driver", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (saved_stderr >= 0 && null_fd >= 0)
        dup2(saved_stderr, STDERR_FILENO);
    if (null_fd >= 0)
        close(null_fd);
    if (saved_stderr >= 0)
        close(saved_stderr);
    if (!opened)
        return false;

    bool ok = false;
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    Mix_Music *music = nullptr;
    char refused[160];
    recording r;
    r.file = nullptr;
    r.written_bytes = 0;
    r.failed = false;
    if (format != audio_sample_format || channels < 1 || frequency <= 0) {
        std::snprintf(error, error_size,
                      "the mixer delivers format 0x%x with %d channels; it needs 16-bit "
                      "little-endian samples",
                      format, channels);
    } else if (!check_module(music_file, refused, sizeof refused)) {
        std::snprintf(error, error_size, "not loading %s: %s", music_file, refused);
    } else if (!(music = Mix_LoadMUS(music_file))) {
        std::snprintf(error, error_size, "cannot load %s: %s", music_file, Mix_GetError());
    } else if (!(r.file = std::fopen(wav_path, "wb"))) {
        fail(error, error_size, "cannot write the soundtrack's temporary file",
             std::strerror(errno));
    } else {
        const unsigned long long samples =
            (static_cast<unsigned long long>(frames) * frequency + frames_per_second / 2) /
            frames_per_second;
        r.wanted_bytes = static_cast<unsigned>(samples * 2 * channels);
        if (!write_wav_header(r.file, frequency, channels, r.wanted_bytes)) {
            fail(error, error_size, "cannot write the soundtrack's temporary file",
                 std::strerror(errno));
        } else {
            // Hook and music start under one lock, so the first buffer recorded is the
            // first buffer of music: sound sample 0 is video frame 1.
            SDL_LockAudio();
            Mix_SetPostMix(record_mix, &r);
            Mix_PlayMusic(music, -1);
            SDL_UnlockAudio();

            unsigned last = 0;
            Uint32 last_progress = SDL_GetTicks();
            while (r.written_bytes.load() < r.wanted_bytes && !r.failed.load() &&
                   !capture_interrupted) {
                SDL_Delay(2);
                const unsigned now = r.written_bytes.load();
                if (now != last) {
                    last = now;
                    last_progress = SDL_GetTicks();
                } else if (SDL_GetTicks() - last_progress > 5000) {
                    break;
                }
            }
            SDL_LockAudio();
            Mix_SetPostMix(nullptr, nullptr);
            SDL_UnlockAudio();
            Mix_HaltMusic();
            if (r.failed.load())
                fail(error, error_size, "cannot write the soundtrack's temporary file",
                     std::strerror(errno));
            else if (r.written_bytes.load() < r.wanted_bytes)
                fail(error, error_size, "cannot render the soundtrack",
                     "the disk audio driver stopped delivering sound");
            else
                ok = true;
        }
    }
    if (r.file && std::fclose(r.file) != 0 && ok)
        ok = fail(error, error_size, "cannot write the soundtrack's temporary file",
                  std::strerror(errno));
    if (music)
        Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    *rate = frequency;
    return ok;
}
