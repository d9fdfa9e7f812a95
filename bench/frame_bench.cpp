// The cost of drawing: a whole busy frame, the scroller and fader steps alone, and a plain
// copy of one screenful (320x240x2 = 153,600 bytes) as the floor nothing can go under.
// Runs on a 320x240 5-6-5 software surface with the pictures from res/ (stand-ins of the
// same sizes at 24 bits where a picture is missing).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx/gfx.h"
#include "intro/frame.h"
#include "intro/pictures.h"

namespace {

Uint16 display_pixels[320 * 240];
Uint16 copy_source[320 * 240];
intro_pictures pictures;
intro_state state;

// A busy moment: past 800 so a slide shows, glyph step not due (it would blank columns).
constexpr int busy_counter = 4001; // (4001 / 2) % 3 == 1
static_assert(busy_counter / 2 % 3 != 0, "the glyph step must not be due");

void set_up() {
    screen = SDL_CreateRGBSurfaceFrom(display_pixels, 320, 240, 16, 640, 0xF800, 0x07E0, 0x001F, 0);
    cache_pixel_format(screen->format);
    // INTRO_BENCH_DIR runs on another folder's res/, e.g. the pictures in another format.
    const char *folder = std::getenv("INTRO_BENCH_DIR");
    if (!folder)
        folder = SOURCE_DIR;
    if (chdir(folder) != 0)
        std::perror(folder);
    load_pictures(&pictures);
    // Stand-ins for what res/ lacks: 24-bit, as the loader would give for a plain BMP.
    if (!pictures.background) {
        pictures.background =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 24, 0xFF0000, 0xFF00, 0xFF, 0);
        SDL_FillRect(pictures.background, nullptr, 0x204060);
    }
    for (SDL_Surface *&slide : pictures.slides)
        if (!slide) {
            slide = SDL_CreateRGBSurface(SDL_SWSURFACE, 128, 120, 24, 0xFF0000, 0xFF00, 0xFF, 0);
            SDL_FillRect(slide, nullptr, 0x808080);
        }
    intro_prepare(&state);
    intro_begin(&state);
    for (int &cell : state.scroller.cells) // every cell lit: the band at its busiest
        cell = map_rgb(200, 150, 60);
}

// Puts the fader at mid alpha on slide 0 and the counter just before the busy frame.
void rewind_to_busy_frame() {
    state.frame_counter = busy_counter - 2;
    state.fader.alpha = 128;
    state.fader.step = 1;
    state.fader.fade_count = 0;
}

void whole_frame(benchmark::State &st) {
    for (auto _ : st) {
        rewind_to_busy_frame();
        draw_frame(&state, &pictures);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(whole_frame);

void scroller_step_alone(benchmark::State &st) {
    for (auto _ : st) {
        scroller_step(&state.scroller, busy_counter);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(scroller_step_alone);

void fader_step_alone(benchmark::State &st) {
    for (auto _ : st) {
        state.fader.alpha = 128;
        state.fader.fade_count = 0;
        fader_step(&state.fader, pictures.slides, busy_counter);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(fader_step_alone);

void background_blit_alone(benchmark::State &st) {
    for (auto _ : st) {
        SDL_Rect origin = {0, 0, 0, 0};
        SDL_UpperBlit(pictures.background, nullptr, screen, &origin);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(background_blit_alone);

void copy_floor(benchmark::State &st) {
    for (auto _ : st) {
        std::memcpy(display_pixels, copy_source, sizeof display_pixels);
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * sizeof display_pixels);
}
BENCHMARK(copy_floor);

} // namespace

int main(int argc, char **argv) {
    set_up();
    std::printf("background: %dx%d at %d bits; slide 0: %dx%d at %d bits\n", pictures.background->w,
                pictures.background->h, pictures.background->format->BitsPerPixel,
                pictures.slides[0]->w, pictures.slides[0]->h,
                pictures.slides[0]->format->BitsPerPixel);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    free_pictures(&pictures);
    return 0;
}
