// Whether a display may exist for the intro to open, and the words for one that does not.
#pragma once

// False only when it is certain that no display can be opened here, so that SDL is not
// asked (and its libraries do not complain) on a machine with nothing to show the intro on.
bool display_may_exist();

// The displays the environment names for the intro to show itself on (DISPLAY,
// WAYLAND_DISPLAY), written as words into `text` for a message saying they could not be
// reached; false when none is named.
bool describe_named_displays(char *text, int size);

// What was not found when no display is available, for the line saying so: the kinds of
// display the intro is shown on here ("no X11 or Wayland display found").
const char *describe_missing_display();

// Whether SDL's video driver `driver` is one of this platform's own that show nothing (on
// Linux "evdev", SDL's dummy driver reading the console's keyboard). SDL's "offscreen" and
// "dummy", which every platform has, are not among them.
bool is_invisible_platform_driver(const char *driver);
