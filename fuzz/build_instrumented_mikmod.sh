#!/bin/sh
# Builds Debian's libmikmod from its source package with AddressSanitizer and libFuzzer's
# coverage, so that fuzz_media, run with LD_LIBRARY_PATH=DIR/build, reports the player's
# out-of-bounds reads itself and steers by the player's code as well as ours.
# usage: fuzz/build_instrumented_mikmod.sh DIR   (needs clang, and deb-src in apt's sources)
set -e
mkdir -p "$1"
cd "$1"
ls -d libmikmod-*/ >/dev/null 2>&1 || apt-get source libmikmod
source_dir=$(ls -d "$PWD"/libmikmod-*/ | head -n 1)
mkdir -p build
cd build
CC=clang cmake "$source_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="-fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer" \
  -DENABLE_ALSA=0 -DENABLE_PULSE=0 -DENABLE_OSS=0 -DENABLE_STATIC=0 -DENABLE_DL=0 >/dev/null
make -j"$(nproc)" mikmod >/dev/null
echo "built $PWD/libmikmod.so.3: run fuzz_media with LD_LIBRARY_PATH=$PWD"
