// The intro's lines where stderr is seen: in the terminal on Linux, and on the page in the
// browser, which shows every line the intro writes to stderr. Nothing more to show.
#include "said_lines.h"

void keep_said_line(const char *) {}

void show_said_lines(bool) {}
