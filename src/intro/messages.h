// The intro's one-line messages: what is missing or refused, and what the intro does
// without it.
#pragma once

// Writes "intro: " and the formatted text as one line on stderr, and hands the line to the
// platform, which keeps it for the viewer where stderr is unlikely to be seen
// (show_said_lines in platform/said_lines.h).
void say(const char *format, ...) __attribute__((format(printf, 1, 2)));
