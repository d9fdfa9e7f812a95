// The file name of the SDL2 library that the SDL 1.2 layer runs on, where it is a library of
// its own that the intro can open again to reach SDL2 itself.
#pragma once

// Its name for SDL_LoadObject ("libSDL2-2.0.so.0"), or null where SDL2 is linked into the
// program and there is no library to open (the browser).
const char *sdl2_library_name();
