// The scroll font: 256 glyphs of 16 row bytes in the code page 437 layout.
#pragma once

extern const unsigned char scroll_font[4096];
