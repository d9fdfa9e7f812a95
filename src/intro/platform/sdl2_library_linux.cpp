// The SDL2 library on Linux: the shared object of SDL2's stable interface.
#include "sdl2_library.h"

const char *sdl2_library_name() {
    return "libSDL2-2.0.so.0";
}
