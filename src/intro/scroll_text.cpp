// Placeholder message until the real one lands.
#include "scroller.h"

const char scroll_text[] = "                              HELLO FROM THE INTRO   ";
