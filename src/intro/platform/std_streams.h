// The standard streams: descriptors 0 to 2 made safe to use before anything else is opened.
#pragma once

// Opens /dev/null on any of descriptors 0, 1 and 2 that is closed. Started with stderr
// closed, the next file or socket opened would take descriptor 2 and the intro's
// messages would be written into it (into the X connection, say, hanging the display).
void keep_std_streams_open();
