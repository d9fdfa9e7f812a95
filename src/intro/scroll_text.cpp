// The message the intro scrolls: a lead-in of 30 spaces, sentences ten spaces apart, a long
// pause of 279 spaces, a short hidden line, and three spaces before the text starts over.
// Byte 3 is the heart of the scroll font.
#include "scroller.h"

#define GAP "          "

const char scroll_text[] = GAP GAP GAP
    "Hello and welcome to WAVELENGTH, a little intro made for the screens of today and the "
    "memories of yesterday!" GAP
    "What you are watching is a classic sine scroller: every letter is drawn in dots of red and "
    "gold, bent sideways by one sine wave and lifted up and down by another that travels along "
    "the band, with a black shadow close behind." GAP
    "Every frame the band slides three pixels to the left, a new letter arrives every third "
    "frame, and its rows glow from a deep red at the top to a warm yellow below." GAP
    "The font is our own: all 256 glyphs were drawn by hand as little pictures of hashes and dots "
    "in a plain text file, which the build turns into the table the scroller reads." GAP
    "Every letter stands on a heavy stroke three pixels wide, so it still reads when the waves "
    "twist it around." GAP
    "The background and the sixteen pictures that fade in and out at the left were painted pixel "
    "by pixel by small programs of our own, without a single borrowed image." GAP
    "The music is ours as well: a tracker module whose instruments and patterns were written note "
    "by note by another of our programs, and it loops for as long as you care to listen." GAP
    "It all runs on a screen of 320 by 240 pixels with 16 bits of colour at about 25 frames per "
    "second, just like in the good old days." GAP
    "To everyone who loves sine scrollers: keep the waves rolling, keep the colours bright, and "
    "never stop writing long messages for the few who read them to the end!" GAP
    "We \3\3\3\3 sine scrollers." GAP
    "Thank you for watching, and press Escape whenever you have had enough." GAP
    "The text starts over in a moment..."
    // The long pause: 279 spaces.
    GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP GAP
        GAP GAP GAP "         "
    "Still here? This quiet line is just for you. Have a wonderful day!"
    "   ";

#undef GAP
