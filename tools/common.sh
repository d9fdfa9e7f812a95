# What the release and test scripts in tools/windows, tools/web and tools/linux share
# (sourced, POSIX sh, by a script there once it has named itself in script_name): set -eu,
# the clone's top folder as the current one (root), say, the time the script started, the
# pinned library versions (tools/versions.sh) and the files shipped with them filled in, the
# job count, the rule that decides when a cached stack is stale, the licences that travel
# with a stack, the scroll font tool for this machine, and the run of a labelled group of
# tests.

set -eu
cd "$(dirname "$0")/../.."
root=$(pwd)
say() { echo "$script_name: $*" >&2; }
started=$(date +%s)

. tools/versions.sh
. tools/apt.sh
. tools/reproducible.sh

# As many compile jobs as this machine has processors.
jobs=$(nproc)

# build_folder FOLDER: makes FOLDER and prints its absolute path.
build_folder() {
    mkdir -p "$1" && (cd "$1" && pwd)
}

# fill_in FILE: prints FILE with the release's version (@VERSION@, from VERSION) and the
# libraries' (@SDL2_VERSION@, @SDL2_DEBIAN@, ..., @LIBMIKMOD_VERSION_NUMBERS@ as 3, 3, 11, 1
# for a version resource) filled in.
fill_in() {
    sed -e "s/@VERSION@/$(head -n 1 VERSION)/g" \
        -e "s/@SDL2_VERSION@/$sdl2_version/g; s/@SDL2_DEBIAN@/$sdl2_debian/g" \
        -e "s/@SDL12_COMPAT_VERSION@/$sdl12_compat_version/g" \
        -e "s/@SDL_MIXER_VERSION@/$sdl_mixer_version/g; s/@SDL_MIXER_DEBIAN@/$sdl_mixer_debian/g" \
        -e "s/@LIBMIKMOD_VERSION@/$libmikmod_version/g; s/@LIBMIKMOD_DEBIAN@/$libmikmod_debian/g" \
        -e "s/@LIBMIKMOD_VERSION_NUMBERS@/$(echo "$libmikmod_version" | sed 's/\./, /g')/g" "$1"
}

# A step's output goes to its log, shown only when it fails: logged LOG COMMAND...
logged() {
    log=$1
    shift
    "$@" >>"$log" 2>&1 || { tail -40 "$log" >&2; say "failed; the whole log is $log"; exit 1; }
}

# ---- Cached stacks ----------------------------------------------------------------------
# A stack is a folder of libraries built from source, kept between runs. It is current when
# its stamp, FOLDER/.built, is the hash of its recipe: every file it is built from, named by
# the caller. A change to any of them, a version in tools/versions.sh among them, rebuilds it.
# The files that pin the libraries' sources, part of every stack's recipe:
pinned_sources="tools/versions.sh tools/sources/sdl12-compat.sh tools/sources/sdl12-compat.sha256"

# cached_stack FOLDER BUILD RECIPE_FILE...: runs BUILD FOLDER unless the stack there is
# current, then stamps it. BUILD starts from an empty FOLDER.
cached_stack() {
    stack_folder=$1
    stack_build=$2
    shift 2
    stack_recipe=$(cat "$@" | sha256sum | cut -c1-64)
    if [ "$(cat "$stack_folder/.built" 2>/dev/null)" = "$stack_recipe" ]; then
        say "reusing the stack in $stack_folder"
        return 0
    fi
    stack_start=$(date +%s)
    rm -rf "$stack_folder"
    mkdir -p "$stack_folder"
    "$stack_build" "$stack_folder"
    echo "$stack_recipe" >"$stack_folder/.built"
    say "stack in $stack_folder built in $(($(date +%s) - stack_start)) s"
}

# stack_licences STACK SDL2 SDL12_COMPAT SDL_MIXER LIBMIKMOD: the source trees' licences,
# which travel with what is built from them, into STACK/licences.
stack_licences() {
    mkdir -p "$1/licences"
    cp "$2/LICENSE.txt" "$1/licences/SDL2.txt"
    cp "$3/LICENSE.txt" "$1/licences/sdl12-compat.txt"
    cp "$4/COPYING" "$1/licences/SDL_mixer.txt"
    cp "$5/COPYING.LIB" "$1/licences/libmikmod.txt"
}

# licences STACK: the intro's licence and the stack's, each under a heading, for a README.
licences() {
    printf '\n\n======== Licence of WAVELENGTH ========\n\n'
    cat LICENSE
    for l in SDL2 sdl12-compat SDL_mixer libmikmod; do
        printf '\n\n======== Licence of %s ========\n\n' "$l"
        cat "$1/licences/$l.txt"
    done
}

# ---- The intro's build and tests --------------------------------------------------------
# The Linux build the three test scripts run their labelled tests from: one folder for all,
# so that what they share (intro-capture, the test harness) is built once. Each configures
# it with the options that name what it tests; the others' stay in its cache, unused.
tests_build=$root/build-release-tests

# release_tests_build "TARGET..." -DOPTION=VALUE...: configures it so and builds the targets.
release_tests_build() {
    tests_targets=$1
    shift
    cmake -S . -B "$tests_build" -DINTRO_BENCHMARKS=OFF "$@" >/dev/null
    cmake --build "$tests_build" -j$jobs --target $tests_targets >/dev/null
}

# host_scroll_font FOLDER: builds the scroll font table's generator for this machine into
# FOLDER (a cross build runs it at build time) and prints its path.
host_scroll_font() {
    mkdir -p "$1"
    if [ ! -x "$1/make_scroll_font" ] || [ src/font/make_scroll_font.cpp -nt "$1/make_scroll_font" ]; then
        g++ -std=c++17 -O2 -o "$1/make_scroll_font" src/font/make_scroll_font.cpp
    fi
    echo "$1/make_scroll_font"
}

# labelled_tests BUILD LABEL LOG SHOWN [ENV=VALUE...]: runs the tests labelled LABEL in the
# build folder BUILD, their whole output in LOG; when all pass, shows the lines matching the
# extended expression SHOWN, else the whole log. Returns ctest's status.
labelled_tests() {
    tests_build=$1
    tests_label=$2
    tests_log=$3
    tests_shown=$4
    shift 4
    tests_status=0
    env "$@" ctest --test-dir "$tests_build" -L "$tests_label" --no-tests=error --output-on-failure \
        -V >"$tests_log" 2>&1 || tests_status=$?
    if [ $tests_status -eq 0 ]; then
        grep -E "$tests_shown" "$tests_log" >&2 || true
    else
        cat "$tests_log" >&2
    fi
    return $tests_status
}
