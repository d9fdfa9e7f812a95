// How smooth a slide's fade is: blends each slide over the background at every alpha the
// cross-fader shows (0 to 255), as the intro's blit does onto the 320x240 5-6-5 display,
// and counts how many distinct pictures the panel shows on the way, and how many frames in
// a row (at one alpha step a frame) the longest unchanged stretch lasts, and the largest
// change from one frame to the next (mean over the panel, in 8-bit grey levels). Once with the
// slides as loaded (5-6-5, like the display) and once with the same slides widened to
// 24 bits first, as the pictures were stored before. Run from anywhere:
//
//     build/bench/fade_steps [folder holding res/]
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <unordered_set>

#include "intro/pictures.h"

namespace {

struct fade_figures {
    int distinct;
    int longest_run;
    double largest_step; // the largest change from one frame to the next, mean over the panel
};

Uint16 previous_panel[128 * 120];

// Mean absolute change of the panel's pixels since the last call, in 8-bit grey levels.
double panel_change(const SDL_Surface *display, int w, int h) {
    double sum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Uint16 v = static_cast<const Uint16 *>(
                display->pixels)[(110 + y) * display->pitch / 2 + 10 + x];
            Uint16 &old = previous_panel[y * w + x];
            auto grey = [](Uint16 c) {
                return 0.299 * (c >> 11) * 255 / 31 + 0.587 * (c >> 5 & 63) * 255 / 63 +
                       0.114 * (c & 31) * 255 / 31;
            };
            const double d = grey(v) - grey(old);
            sum += d < 0 ? -d : d;
            old = v;
        }
    return sum / (w * h);
}

// The panel after blitting `slide` over the background at `alpha`, hashed.
unsigned long long panel_hash(SDL_Surface *display, SDL_Surface *background, SDL_Surface *slide,
                              int alpha) {
    SDL_Rect origin = {0, 0, 0, 0};
    SDL_UpperBlit(background, nullptr, display, &origin);
    SDL_SetAlpha(slide, SDL_SRCALPHA | SDL_RLEACCEL, static_cast<Uint8>(alpha));
    SDL_Rect at = {10, 110, 0, 0};
    SDL_UpperBlit(slide, nullptr, display, &at);
    unsigned long long h = 1469598103934665603ull;
    for (int y = 110; y < 110 + slide->h; ++y) {
        const auto *row = static_cast<const Uint8 *>(display->pixels) + y * display->pitch + 20;
        for (int i = 0; i < slide->w * 2; ++i)
            h = (h ^ row[i]) * 1099511628211ull;
    }
    return h;
}

fade_figures measure(SDL_Surface *display, SDL_Surface *background, SDL_Surface *slide) {
    std::unordered_set<unsigned long long> seen;
    unsigned long long previous = 0;
    int run = 0, longest = 0;
    double largest = 0;
    for (int alpha = 0; alpha <= 255; ++alpha) {
        const unsigned long long h = panel_hash(display, background, slide, alpha);
        const double change = panel_change(display, slide->w, slide->h);
        if (alpha > 0 && change > largest)
            largest = change;
        seen.insert(h);
        run = alpha > 0 && h == previous ? run + 1 : 1;
        if (run > longest)
            longest = run;
        previous = h;
    }
    return {static_cast<int>(seen.size()), longest, largest};
}

SDL_Surface *widened_to_24_bits(SDL_Surface *picture) {
    SDL_Surface *wide =
        SDL_CreateRGBSurface(SDL_SWSURFACE, picture->w, picture->h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    if (wide)
        SDL_UpperBlit(picture, nullptr, wide, nullptr);
    return wide;
}

} // namespace

int main(int argc, char **argv) {
    if (argc > 1 && chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    intro_pictures pictures = {};
    load_pictures(&pictures);
    SDL_Surface *display =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 16, 0xF800, 0x07E0, 0x001F, 0);
    if (!pictures.background || !display) {
        std::fprintf(stderr, "fade_steps: needs res/back.dat\n");
        return 1;
    }
    std::printf("slide  bits | distinct pictures of 256  longest unchanged (frames)  largest step"
                " | as 24-bit: distinct  unchanged  step\n");
    for (int i = 0; i < slide_count; ++i) {
        SDL_Surface *slide = pictures.slides[i];
        if (!slide)
            continue;
        SDL_Surface *wide = widened_to_24_bits(slide);
        const fade_figures as_loaded = measure(display, pictures.background, slide);
        const fade_figures as_24 =
            wide ? measure(display, pictures.background, wide) : fade_figures{0, 0, 0};
        std::printf("%5d  %4d | %24d  %26d  %12.2f | %19d  %9d  %4.2f\n", i,
                    slide->format->BitsPerPixel, as_loaded.distinct, as_loaded.longest_run,
                    as_loaded.largest_step, as_24.distinct, as_24.longest_run, as_24.largest_step);
        SDL_FreeSurface(wide);
    }
    SDL_FreeSurface(display);
    free_pictures(&pictures);
    return 0;
}
