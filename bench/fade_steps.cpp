// How smooth a slide's fade is: blends each slide over the background at every alpha the
// cross-fader shows (0 to 255), as the intro's blit does onto the 320x240 5-6-5 display,
// and measures the steps from one alpha to the next: how many distinct pictures the panel
// shows, how many of the 255 steps change it at all, what share of its pixels a changing
// step moves and by how much (mean over the panel, in 8-bit grey levels), and the step at
// the peak, from alpha 254 to the opaque copy at 255, beside the one before it. Once with
// the slides as loaded and once with the same slides narrowed to the display's 5-6-5
// first, as the pictures were once stored. Run from anywhere:
//
//     build/fade_steps [folder holding res/]
#include <SDL.h>

#include <cstdio>
#include <unistd.h>
#include <unordered_set>

#include "intro/pictures.h"

namespace {

struct fade_figures {
    int distinct;        // distinct panels among the 256 alphas
    int changing_steps;  // of the 255 steps from one alpha to the next
    double moved_share;  // pixels a changing step moves, mean share of the panel
    double mean_step;    // mean change of a changing step, grey levels over the panel
    double largest_step; // the largest step below the peak
    double step_to_254;  // 253 -> 254
    double peak_step;    // 254 -> 255, where the blit turns into a copy
    double peak_share;   // pixels that step moves, share of the panel
};

Uint16 previous_panel[128 * 120];

double grey(Uint16 c) {
    return 0.299 * (c >> 11) * 255 / 31 + 0.587 * (c >> 5 & 63) * 255 / 63 +
           0.114 * (c & 31) * 255 / 31;
}

// The panel after blitting `slide` over the background at `alpha`; hashes it and measures
// its change since the last call (mean over the panel, and the share of pixels changed).
unsigned long long blend_panel(SDL_Surface *display, SDL_Surface *background, SDL_Surface *slide,
                               int alpha, double *change, double *share) {
    SDL_Rect origin = {0, 0, 0, 0};
    SDL_UpperBlit(background, nullptr, display, &origin);
    SDL_SetAlpha(slide, SDL_SRCALPHA | SDL_RLEACCEL, static_cast<Uint8>(alpha));
    SDL_Rect at = {10, 110, 0, 0};
    SDL_UpperBlit(slide, nullptr, display, &at);
    unsigned long long h = 1469598103934665603ull;
    double sum = 0;
    long moved = 0;
    for (int y = 0; y < slide->h; ++y)
        for (int x = 0; x < slide->w; ++x) {
            const Uint16 v = static_cast<const Uint16 *>(
                display->pixels)[(110 + y) * display->pitch / 2 + 10 + x];
            Uint16 &old = previous_panel[y * slide->w + x];
            const double d = grey(v) - grey(old);
            sum += d < 0 ? -d : d;
            moved += v != old;
            old = v;
            h = (h ^ v) * 1099511628211ull;
        }
    *change = sum / (slide->w * slide->h);
    *share = static_cast<double>(moved) / (slide->w * slide->h);
    return h;
}

fade_figures measure(SDL_Surface *display, SDL_Surface *background, SDL_Surface *slide) {
    std::unordered_set<unsigned long long> seen;
    fade_figures f = {};
    double moved = 0, steps = 0;
    for (int alpha = 0; alpha <= 255; ++alpha) {
        double change, share;
        seen.insert(blend_panel(display, background, slide, alpha, &change, &share));
        if (alpha == 0)
            continue;
        if (share > 0) {
            ++f.changing_steps;
            moved += share;
            steps += change;
        }
        if (alpha < 255 && change > f.largest_step)
            f.largest_step = change;
        if (alpha == 254)
            f.step_to_254 = change;
        if (alpha == 255) {
            f.peak_step = change;
            f.peak_share = share;
        }
    }
    f.distinct = static_cast<int>(seen.size());
    f.moved_share = f.changing_steps ? moved / f.changing_steps : 0;
    f.mean_step = f.changing_steps ? steps / f.changing_steps : 0;
    return f;
}

SDL_Surface *narrowed_to_565(SDL_Surface *picture) {
    SDL_Surface *narrow =
        SDL_CreateRGBSurface(SDL_SWSURFACE, picture->w, picture->h, 16, 0xF800, 0x07E0, 0x001F, 0);
    SDL_SetAlpha(picture, 0, SDL_ALPHA_OPAQUE);
    if (narrow)
        SDL_UpperBlit(picture, nullptr, narrow, nullptr);
    return narrow;
}

void print(int slide, int bits, const fade_figures &f) {
    std::printf("%5d %4d | %8d %8d %6.1f %% %6.2f %7.2f | %7.2f %7.2f %5.1f %%\n", slide, bits,
                f.distinct, f.changing_steps, f.moved_share * 100, f.mean_step, f.largest_step,
                f.step_to_254, f.peak_step, f.peak_share * 100);
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
    std::printf("                          a changing step of alpha   |    the steps at the peak\n"
                "slide bits | distinct changing   moves   mean largest | 253-254 254-255 moves\n");
    for (int pass = 0; pass < 2; ++pass) {
        std::printf(pass == 0 ? "as loaded:\n" : "narrowed to 5-6-5:\n");
        for (int i = 0; i < slide_count; ++i) {
            SDL_Surface *slide = pictures.slides[i];
            SDL_Surface *narrow = slide && pass ? narrowed_to_565(slide) : nullptr;
            SDL_Surface *shown = pass ? narrow : slide;
            if (shown)
                print(i, shown->format->BitsPerPixel, measure(display, pictures.background, shown));
            SDL_FreeSurface(narrow);
        }
    }
    SDL_FreeSurface(display);
    free_pictures(&pictures);
    return 0;
}
