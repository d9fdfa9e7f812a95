// Whole-number enlargement of the display, asked of the SDL2 renderer under the SDL 1.2 layer.
#include "scaling.h"

#include <SDL.h>
#include <SDL_loadso.h>

#include <cstdio>
#include <cstdlib>

#include "../gfx/gfx.h"

#include "platform/full_screen.h"
#include "platform/sdl2_library.h"

static bool layer_presents_through_sdl2() {
    const SDL_version *v = SDL_Linked_Version();
    return SDL_VERSIONNUM(v->major, v->minor, v->patch) >= SDL_VERSIONNUM(1, 2, 50);
}

// Linear scaling is meant to fill the screen smoothly; only sharp pixels want whole numbers.
static bool scaling_is_nearest() {
    const char *method = std::getenv("SDL12COMPAT_SCALE_METHOD");
    return method && SDL_strcasecmp(method, "nearest") == 0;
}

// The SDL 1.2 compatibility layer (versions 1.2.50 on) shows the display in an SDL2 window
// through an SDL2 renderer, letterboxed at whatever ratio fills the screen: at 1920x1080
// that is 4.5, and nearest-neighbour scaling then makes rows and columns of 4 and 5 pixels
// by turns. The layer has no hint for whole-number ratios, but its renderer has the call;
// SDL2 is already loaded by the layer, so loading it again only finds it.
void use_whole_number_scaling() {
    // A display that is not full screen is shown as it is (in the browser the page enlarges
    // it), and a browser build has no SDL2 library to load.
    if (!asks_for_full_screen() || !layer_presents_through_sdl2() || !scaling_is_nearest())
        return;
    const char *sdl2_name = sdl2_library_name();
    void *sdl2 = sdl2_name ? SDL_LoadObject(sdl2_name) : nullptr;
    if (!sdl2)
        return;
    using window_from_id = void *(*)(Uint32);
    using renderer_of = void *(*)(void *);
    using set_integer_scale = int (*)(void *, int);
    auto get_window =
        reinterpret_cast<window_from_id>(SDL_LoadFunction(sdl2, "SDL_GetWindowFromID"));
    auto get_renderer = reinterpret_cast<renderer_of>(SDL_LoadFunction(sdl2, "SDL_GetRenderer"));
    auto set_integer =
        reinterpret_cast<set_integer_scale>(SDL_LoadFunction(sdl2, "SDL_RenderSetIntegerScale"));
    // The layer's one window; its number depends on how many it made and dropped before.
    if (get_window && get_renderer && set_integer)
        for (Uint32 id = 1; id <= 16; ++id)
            if (void *window = get_window(id))
                if (void *renderer = get_renderer(window))
                    set_integer(renderer, 1);
    SDL_UnloadObject(sdl2);
}

void say_when_display_stays_small() {
    if (!asks_for_full_screen() || layer_presents_through_sdl2())
        return;
    // The desktop's size, as SDL finds it before any mode is set.
    const SDL_VideoInfo *info = SDL_GetVideoInfo();
    if (!info || (info->current_w <= screen_width && info->current_h <= screen_height))
        return;
    const SDL_version *v = SDL_Linked_Version();
    std::fprintf(stderr,
                 "intro: SDL %d.%d.%d is the classic SDL 1.2, which shows the %dx%d display "
                 "unenlarged on this %dx%d screen; install sdl12-compat (SDL 1.2 on SDL2) to "
                 "have it fill the screen\n",
                 v->major, v->minor, v->patch, screen_width, screen_height, info->current_w,
                 info->current_h);
}
