// The message the intro scrolls: a lead-in of 30 spaces, sentences ten spaces apart, a long
// pause of 279 spaces, a short hidden line, and three spaces before the text starts over.
// Byte 3 is the heart of the scroll font.
#include "scroller.h"

#define GAP "          "

const char scroll_text[] = GAP GAP GAP
    "Hello and welcome to WAVELENGTH!" GAP
    "Pull up a chair: this text is long and in no hurry at all." GAP
    "It all comes your way, with love, from the Sine Wave Sewing Circle." GAP
    "The credits, by role..." GAP "Code: the Circle, in plain C++ on SDL." GAP
    "Pictures: the Circle, every one drawn by programs of our own, since none of us can hold a "
    "brush." GAP
    "Music: the Circle, a tracker tune whose every note and instrument came out of our own "
    "tool." GAP "Font: the Circle again, 256 glyphs dotted by hand." GAP
    "The libraries underneath are not ours, so a big thank you to the makers of SDL, SDL_mixer "
    "and libmikmod, who put our pixels on the screen and our notes in your ears." GAP
    "Thanks as well to sdl12-compat for keeping SDL 1.2 programs alive on SDL2, and to GCC, "
    "MinGW-w64, CMake, Emscripten, Wine and Debian." GAP
    "Greetings go out to everyone who writes trackers, and to everyone who still counts in hex "
    "to find the end of a pattern." GAP
    "To pixel artists placing every dot by hand, and to the people who keep old machines "
    "running." GAP "And to all of you who read scrollers to the very end: this one is for you." GAP
    "A scroller is the one place where a run-on sentence is a feature, not a fault." GAP
    "No pixels were harmed in the making of this intro, though quite a few got rounded to "
    "sixteen bits." GAP
    "Pressing any other key will not help; only Escape ends this. We wrote tests to make sure "
    "of it." GAP "We \3\3\3\3 sine scrollers." GAP
    "This is the end of the message. It starts over in a moment and, like the tune, it gets "
    "better every time."
    // The long pause: 279 spaces.
    GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP
        GAP GAP GAP "         "
    "Still here? This quiet line is just for you. Thanks for waiting; the rest of the Circle went "
    "home."
    "   ";

#undef GAP
