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
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
apt_retry() {
  n=0
  until $as_root env DEBIAN_FRONTEND=noninteractive apt-get "$@"; do
    n=$((n + 1))
    [ $n -lt 30 ] || return 1
    echo "apt-get busy, retrying in 10 s" >&2
    sleep 10
  done
}
echo "installing:$missing" >&2
apt_retry update -qq
apt_retry install -y -qq --no-install-recommends $missing >/dev/null
