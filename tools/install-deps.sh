#!/bin/sh
# Installs the Debian packages that building, running and testing the intro need.
# Only what is missing is installed; runs apt-get through sudo unless already root.
set -e
packages="build-essential cmake pkg-config
  libsdl1.2-compat-dev libsdl-mixer1.2-dev
  libgtest-dev libbenchmark-dev clang libclang-rt-dev
  xvfb openbox libgl1-mesa-dri libx11-dev libxtst-dev libxfixes-dev
  openmpt123 sox ffmpeg python3-pil valgrind
  libpng-dev binutils-mingw-w64-i686"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
echo "installing:$missing" >&2
$as_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing >/dev/null
