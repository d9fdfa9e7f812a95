// What the intro does when its display goes away under it: the X server ends, or the
// remote connection to it drops, while the frames are drawn and the music mixes.
#pragma once

// Called once the display is open. From then on a display connection that breaks ends the
// intro at once with one line on stderr ("intro: lost the display: ...") and exit code 1,
// without running the exit clean-up of the libraries under SDL's audio thread.
void leave_when_display_lost();
