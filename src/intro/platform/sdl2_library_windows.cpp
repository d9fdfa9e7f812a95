// The SDL2 library on Windows: the DLL beside intro.exe, which SDL.dll loads as it starts.
#include "sdl2_library.h"

const char *sdl2_library_name() {
    return "SDL2.dll";
}
