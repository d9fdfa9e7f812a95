// Whole-number enlargement of the 320x240 display on screens many times its size.
#pragma once

// Once the mode is set: where the display is enlarged with sharp pixels (nearest-neighbour
// scaling) and the SDL 1.2 layer presents it through an SDL2 renderer, keeps the
// enlargement to a whole number, so that every pixel becomes a block of equal size with
// even borders around the picture. Elsewhere it changes nothing.
void use_whole_number_scaling();

// Before the mode is set: on the classic SDL 1.2 (below 1.2.50, not the layer on SDL2), which
// cannot enlarge the display, says in one line on stderr that a screen larger than 320x240
// shows it small, and what to install instead. Elsewhere it says nothing.
void say_when_display_stays_small();
