// What the intro does when its display goes away under it: the X server ends, or the
// remote connection to it drops, while SDL sets the display up, while the frames are drawn
// and while the music mixes.
#pragma once

// Called before SDL opens the display. From then on a display connection that breaks
// ends the intro at once with one line on stderr ("intro: lost the display: ...") and exit
// code 1, without running the libraries' exit clean-up under SDL's audio thread.
void leave_when_display_lost();

// Around SDL_SetVideoMode. The GL driver SDL sets up for its window talks to the X server
// without going through Xlib, and crashes when the server goes away meanwhile. Between
// these calls such a crash, when the local X server it talked to is in fact gone, ends the
// intro like any lost display; any other crash stays the crash it is.
void guard_display_setup();
void end_display_setup_guard();
