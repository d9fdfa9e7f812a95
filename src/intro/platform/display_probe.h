// Whether a display may exist for the intro to open.
#pragma once

// False only when it is certain that no display can be opened here, so that SDL is not
// asked (and its libraries do not complain) on a machine with nothing to show the intro on.
bool display_may_exist();

// The displays the environment names for the intro to show itself on (DISPLAY,
// WAYLAND_DISPLAY), written as words into `text` for a message saying they could not be
// reached; false when none is named.
bool describe_named_displays(char *text, int size);
