#!/bin/sh
# wavelength: starts the intro in its media folder, where it reads res/. The intro and its
# media lie beside this script's folder (../lib/wavelength, ../share/wavelength), wherever
# the tree was installed or unpacked; a link to this script finds them too.
here=$(dirname "$(readlink -f "$0")")
lib=$here/../lib/wavelength
media=$here/../share/wavelength
if ! cd "$media" 2>/dev/null; then
    echo "wavelength: no media folder at $media" >&2
    exit 1
fi
# The tarball brings SDL 1.2 as sdl12-compat beside the intro: put first, it is taken
# instead of the system's, which may be the classic SDL 1.2 that cannot enlarge the display.
if [ -e "$lib/libSDL-1.2.so.0" ]; then
    LD_LIBRARY_PATH=$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
    export LD_LIBRARY_PATH
fi
# exec: the intro takes this process's place, so a signal sent to it reaches the intro.
exec "$lib/intro"
