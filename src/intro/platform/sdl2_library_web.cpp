// SDL2 in the browser: linked into intro.wasm with the layer, so there is no library to open.
#include "sdl2_library.h"

const char *sdl2_library_name() {
    return nullptr;
}
