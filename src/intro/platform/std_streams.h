// Where the intro's one-line messages go, and quieting the libraries' own chatter.
#pragma once

// Called first in main: makes sure stderr leads somewhere the intro's messages can be read.
void keep_std_streams_open();

// Sends stderr nowhere until restore_stderr, for a library that talks while a device
// opens. Returns what restore_stderr needs.
int hush_stderr();
void restore_stderr(int saved);

// A start-up failure that leaves nothing on screen: the line is already on stderr; where
// a viewer is unlikely to see stderr, it is shown to them as well.
void show_start_failure(const char *line);
