// The standard streams: where the intro's one-line messages go, descriptors 0 to 2 made
// safe to use before anything else is opened, and quieting the libraries' own chatter.
#pragma once

// Called first in main. On POSIX systems opens /dev/null on any of descriptors 0, 1 and 2
// that is closed: started with stderr closed, the next file or socket opened would take
// descriptor 2 and the intro's messages would be written into it (into the X connection,
// say, hanging the display); and ignores SIGPIPE, so that a message written to a pipe
// nobody reads any more is lost instead of ending the intro. On Windows makes stderr lead to the
// console the intro was started from when it has none of its own.
void keep_std_streams_open();

// Sends stderr nowhere until restore_stderr, for a library that talks while a device
// opens. Returns what restore_stderr needs.
int hush_stderr();
void restore_stderr(int saved);

// A line the intro has said on stderr (messages.h), without its "intro: ". Where a viewer
// is unlikely to see stderr, it is kept for show_said_lines.
void keep_said_line(const char *line);

// Shows the viewer the lines kept since the last call, if there are any: on Windows one
// message box listing them, which the intro waits for; elsewhere stderr has shown them
// already. Called before the display covers the screen, and when the intro cannot open
// its display at all (`ending`).
void show_said_lines(bool ending);
