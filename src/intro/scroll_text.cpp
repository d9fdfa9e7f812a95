// The message the intro scrolls: a lead-in of 30 spaces, sentences ten spaces apart, a long
// pause of 279 spaces, a short hidden line, and three spaces before the text starts over.
// Byte 3 is the heart of the scroll font.
#include "scroller.h"

#define GAP "          "

const char scroll_text[] = GAP GAP GAP
    "Hello and welcome to WAVELENGTH!" GAP
    "Pull up a chair: this text is long and in no hurry at all." GAP
    "It comes your way, with love, from the Sine Wave Sewing Circle." GAP
    "The crew, by handle and by trade..." GAP
    "Code: Bobbin, in plain C++ on SDL, who still dreams in sine tables." GAP
    "Pictures: Thimble, every one drawn by programs of our own, since none of us can hold a "
    "brush." GAP
    "Music: Purl, a tracker tune whose every note and instrument came out of our own tool." GAP
    "Font: Hemline, 256 glyphs dotted by hand, one hash sign at a time." GAP
    "A scroller is the one place where a run-on sentence is a feature, not a fault." GAP
    "On the left, sixteen pictures take turns to fade in and out, then go round again." GAP
    "Big thanks to SDL, sdl12-compat, SDL_mixer and libmikmod, and to the free tools that built "
    "this." GAP
    "No pixels were harmed in the making of this intro, though a good few got rounded to "
    "sixteen bits." GAP
    "Greetings fly out to Raster Mice, Team Lowpass, Nibble Bakery, Copper Kettle Designs and "
    "the Carry Flag Club." GAP
    "And to Ninth Octave, who still count in hex to find the end of a pattern." GAP
    "Pressing any other key will not help; only Escape ends this." GAP
    "The tune is shorter than this text, so by now it has started over at least once." GAP
    "We \3\3\3\3 sine scrollers." GAP
    "And to all of you who read scrollers to the very end: this one is for you." GAP
    "That is the whole message. Now the scroller rests for half a minute: enjoy the tune and the "
    "pictures, and see what comes after."
    // The long pause: 279 spaces.
    GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP
        GAP GAP GAP "         "
    "Still here? This quiet line is just for you. Thanks for waiting; the rest of the Circle went "
    "home, and the text starts over now."
    "   ";

#undef GAP
