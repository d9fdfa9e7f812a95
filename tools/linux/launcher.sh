#!/bin/sh
# wavelength: starts the intro in its media folder, where it reads res/. The intro and its
# media lie beside this script's folder (../lib/wavelength, ../share/wavelength), wherever
# the tree was installed or unpacked.
here=$(dirname "$(readlink -f "$0")")
media=$here/../share/wavelength
if ! cd "$media" 2>/dev/null; then
    echo "wavelength: no media folder at $media" >&2
    exit 1
fi
exec "$here/../lib/wavelength/intro"
