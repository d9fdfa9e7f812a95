// The standard streams: descriptors 0 to 2 made safe to use before anything else is
// opened, where stderr leads, and quieting the libraries' own chatter.
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
