// The message the intro scrolls: a lead-in of 30 spaces, sentences ten spaces apart, a long
// pause of 279 spaces, a short hidden line, and three spaces before the text starts over.
// Byte 3 is the heart of the scroll font.
#include "scroller.h"

#define GAP "          "

const char scroll_text[] = GAP GAP GAP
    "Hello and welcome, dear viewers, to WAVELENGTH!" GAP
    "This is a little full-screen intro in the old style: a painted background, sixteen "
    "pictures fading in and out at the left, one long, wavy scroller and a tracker tune that "
    "never ends." GAP "Up top, our chrome logo floats above its waves and a starry sky." GAP
    "Credits, as they ought to be read..." GAP "Code: us, in plain C++ on good old SDL." GAP
    "Graphics: us again, every picture painted pixel by pixel by our own little programs, not "
    "one borrowed." GAP
    "Music: us as well, a module whose every note and every instrument came out of our own "
    "tool." GAP "Font: ours too, all 256 glyphs drawn by hand, dot by dot." GAP
    "Now sit back and watch the letters ride the waves, glowing from red to gold, with their "
    "black shadow trailing twenty pixels to the right and thirty below." GAP
    "Keep an eye on the panel too: plasma, fractals, a tunnel, landscapes, bobs, a torus and "
    "more take their turn there, so stay a while and see all sixteen." GAP
    "Greetings fly out to all sine-scroller lovers, to everyone who ever typed a message far "
    "too long, and to all of you who read to the very end!" GAP
    "A big wave also goes to everyone who keeps the old effects alive: plasmas, starfields, "
    "copper bars, bobs and, above all, scrollers that bend and bounce." GAP
    "We \3\3\3\3 sine scrollers." GAP
    "Press Escape whenever you like; until then the music loops for as long as you care to "
    "listen." GAP
    "WAVELENGTH: code, graphics, music and font all made by us, with nothing taken from "
    "anywhere else." GAP "The text starts over in a moment..."
    // The long pause: 279 spaces.
    GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP
        GAP GAP GAP "         "
    "Still here? This quiet line is just for you. Thanks for waiting, and have a wonderful day!"
    "   ";

#undef GAP
