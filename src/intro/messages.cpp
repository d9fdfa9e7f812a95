// The intro's one-line messages (messages.h).
#include "messages.h"

#include <cstdarg>
#include <cstdio>

#include "platform/said_lines.h"

void say(const char *format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "intro: %s\n", text);
    keep_said_line(text);
}
