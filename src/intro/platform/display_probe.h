// Whether a display may exist for the intro to open.
#pragma once

// False only when it is certain that no display can be opened here, so that SDL is not
// asked (and its libraries do not complain) on a machine with nothing to show the intro on.
bool display_may_exist();
