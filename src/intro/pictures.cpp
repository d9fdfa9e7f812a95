// Loading and freeing the intro's pictures.
#include "pictures.h"

#include <cstdio>

SDL_Surface *load_picture(const char *path) {
    SDL_RWops *stream = SDL_RWFromFile(path, "rb");
    if (!stream) {
        std::fprintf(stderr, "intro: cannot open %s: %s; going on without it\n", path,
                     SDL_GetError());
        return nullptr;
    }
    SDL_Surface *picture = SDL_LoadBMP_RW(stream, 1);
    if (!picture)
        std::fprintf(stderr, "intro: cannot load %s: %s; going on without it\n", path,
                     SDL_GetError());
    return picture;
}

void load_pictures(intro_pictures *p) {
    p->background = load_picture("res/back.dat");
    for (int i = 0; i < slide_count; ++i) {
        char path[32];
        std::snprintf(path, sizeof path, "res/sl%d.dat", i);
        p->slides[i] = load_picture(path);
    }
}

void free_pictures(intro_pictures *p) {
    for (SDL_Surface *&slide : p->slides) {
        SDL_FreeSurface(slide);
        slide = nullptr;
    }
    SDL_FreeSurface(p->background);
    p->background = nullptr;
}
