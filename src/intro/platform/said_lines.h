// The intro's one-line messages shown to a viewer who is unlikely to see stderr.
#pragma once

// A line the intro has said on stderr (messages.h), without its "intro: ". Where a viewer
// is unlikely to see stderr, it is kept for show_said_lines.
void keep_said_line(const char *line);

// Shows the viewer the lines kept since the last call, if there are any: on Windows one
// message box listing them, which the intro waits for; elsewhere stderr has shown them
// already. Called before the display covers the screen, and when the intro cannot open
// its display at all (`ending`).
void show_said_lines(bool ending);
