/* Converts raw 16-bit stereo sound from one rate to another as sdl12-compat hands the
   mixer's sound to the device: through an SDL2 audio stream, in the mixer's chunks of 1024
   frames after four chunks of silence, taking what the stream gives out unflushed. Built
   for Windows by tools/windows/test.sh and run under Wine beside the release's SDL2.dll, so
   that the Wine tests can convert the capture tool's soundtrack exactly as the release does.

     convert_sound IN.raw OUT.raw FROM_HZ TO_HZ */
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <stdio.h>
#include <stdlib.h>

enum { chunk_bytes = 1024 * 4 };

int main(int argc, char **argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: convert_sound IN.raw OUT.raw FROM_HZ TO_HZ\n");
        return 2;
    }
    FILE *in = fopen(argv[1], "rb"), *out = fopen(argv[2], "wb");
    SDL_AudioStream *stream =
        SDL_NewAudioStream(AUDIO_S16LSB, 2, atoi(argv[3]), AUDIO_S16LSB, 2, atoi(argv[4]));
    if (!in || !out || !stream) {
        fprintf(stderr, "convert_sound: cannot open the files or the stream\n");
        return 1;
    }
    static char buffer[16 * chunk_bytes];
    int silent = 4;
    for (;;) {
        size_t got = chunk_bytes;
        SDL_memset(buffer, 0, chunk_bytes);
        if (silent > 0)
            --silent;
        else
            got = fread(buffer, 1, chunk_bytes, in);
        if (got < chunk_bytes)
            break;
        SDL_AudioStreamPut(stream, buffer, chunk_bytes);
        while (SDL_AudioStreamAvailable(stream) >= (int)sizeof buffer) {
            const int n = SDL_AudioStreamGet(stream, buffer, sizeof buffer);
            fwrite(buffer, 1, (size_t)n, out);
        }
    }
    const int n = SDL_AudioStreamGet(stream, buffer, SDL_AudioStreamAvailable(stream));
    fwrite(buffer, 1, (size_t)n, out);
    SDL_FreeAudioStream(stream);
    return fclose(out) == 0 ? 0 : 1;
}
