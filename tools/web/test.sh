#!/bin/sh
# Builds the web page (tools/web/build.sh, the SDL stack reused when built) and tests it in
# Debian's Chromium: the tests labelled "web", from the Linux build folder the release tests
# share (build-release-tests), which builds intro-capture to compare with.
#
#   tools/web/test.sh [BUILD_FOLDER]     (default: build-web)
script_name=web
. "$(dirname "$0")/../common.sh"
out=$(build_folder "${1:-build-web}")

tools/web/build.sh "$out"
built=$(date +%s)

# The Linux build's own packages, then the browser, and node and npm (Debian's, unless this
# machine has its own node and npm already).
tools/install-deps.sh
node_packages=""
command -v node >/dev/null || node_packages="$node_packages nodejs"
command -v npm >/dev/null || node_packages="$node_packages npm"
tools/install-deps.sh chromium python3 ffmpeg $node_packages

# puppeteer-core from npm, as locked in tests/web/package-lock.json; kept while the lock is.
node_dir=$out/node
if ! cmp -s tests/web/package-lock.json "$node_dir/package-lock.json"; then
    rm -rf "$node_dir"
    mkdir -p "$node_dir"
    cp tests/web/package.json tests/web/package-lock.json "$node_dir/"
    (cd "$node_dir" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi

release_tests_build intro-capture -DINTRO_WEB_DIST="$root/dist/wavelength-web" \
    -DINTRO_WEB_NODE_MODULES="$node_dir/node_modules"
prepared=$(date +%s)

status=0
labelled_tests "$tests_build" web "$out/web-tests.log" '\[ measured \]|^[0-9]+: (ok|not ok)|tests passed' ||
    status=$?
say "page built in $((built - started)) s, prepared in $((prepared - built)) s, tested in $(($(date +%s) - prepared)) s"
exit $status
