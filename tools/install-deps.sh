#!/bin/sh
# Installs the Debian packages that building, running and testing the intro need, or with
# arguments the packages named (tools/linux/package.sh and test.sh name theirs).
# Only what is missing is installed; runs apt-get through sudo unless already root, and
# waits for another apt-get holding the lock to finish.
set -e
packages="build-essential cmake pkg-config
  libsdl1.2-compat-dev libsdl-mixer1.2-dev
  libgtest-dev libbenchmark-dev clang libclang-rt-dev
  xvfb openbox libgl1-mesa-dri libx11-dev libxtst-dev libxfixes-dev
  openmpt123 sox ffmpeg python3-pil valgrind
  libpng-dev binutils-mingw-w64-i686"
[ $# -eq 0 ] || packages="$*"
say() { echo "$*" >&2; }
. "$(dirname "$0")/apt.sh"
install_missing $packages
