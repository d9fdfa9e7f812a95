// The standard streams on Windows.
#include "std_streams.h"

// Sockets and files opened through the Windows API are handles, never C runtime
// descriptors, so a closed stream cannot be taken over by one: nothing to do.
void keep_std_streams_open() {}
