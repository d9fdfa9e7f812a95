// A preloaded library that times what the running intro spends its start-up and its
// frames on, without changing the intro: it wraps the SDL and SDL_mixer calls of the
// start-up and SDL_Flip, and writes one line per call to the file named by
// INTRO_PROBE_OUT: "<name> <entered> <returned> <cpu entered> <cpu returned>",
// nanoseconds on CLOCK_MONOTONIC (the
// clock the scripts read before they start the intro). Each line is written at once, so a
// killed intro leaves complete lines. Two more columns give the whole process's CPU time
// at the same two moments, which a busy machine distorts far less than the wall clock.
// Used by bench/on_screen.py.
#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

int out_fd = -1;

long long clock_ns(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

struct moment {
    long long wall, cpu;
};

moment now() {
    return {clock_ns(CLOCK_MONOTONIC), clock_ns(CLOCK_PROCESS_CPUTIME_ID)};
}

void note(const char *name, moment entered, moment returned) {
    if (out_fd < 0)
        return;
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%s %lld %lld %lld %lld\n", name, entered.wall,
                                returned.wall, entered.cpu, returned.cpu);
    if (n > 0 && write(out_fd, line, static_cast<size_t>(n)) < 0)
        out_fd = -1;
}

__attribute__((constructor)) void open_output() {
    if (const char *path = std::getenv("INTRO_PROBE_OUT"))
        out_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    note("probe_loaded", now(), now());
}

template <typename F> F next(const char *name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

// The wrappers: each times the real function and passes its result on.
#define PROBE(result, name, params, args)                                                          \
    extern "C" result name params {                                                                \
        static auto real = next<result(*) params>(#name);                                          \
        const moment entered = now();                                                              \
        result r = real args;                                                                      \
        note(#name, entered, now());                                                               \
        return r;                                                                                  \
    }

PROBE(SDL_RWops *, SDL_RWFromFile, (const char *file, const char *mode), (file, mode))
PROBE(SDL_Surface *, SDL_LoadBMP_RW, (SDL_RWops * src, int freesrc), (src, freesrc))
PROBE(int, SDL_Init, (Uint32 flags), (flags))
PROBE(SDL_Surface *, SDL_SetVideoMode, (int width, int height, int bpp, Uint32 flags),
      (width, height, bpp, flags))
PROBE(int, Mix_OpenAudio, (int frequency, Uint16 format, int channels, int chunksize),
      (frequency, format, channels, chunksize))
PROBE(Mix_Music *, Mix_LoadMUS, (const char *file), (file))
PROBE(int, Mix_PlayMusic, (Mix_Music * music, int loops), (music, loops))
PROBE(int, SDL_Flip, (SDL_Surface * surface), (surface))
