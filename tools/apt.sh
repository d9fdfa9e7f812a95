# Installing Debian packages and fetching Debian source packages, for the project's scripts
# (sourced, POSIX sh; the script defines say first): apt-get as root, through sudo unless
# already root, and retried while another install holds apt's lock.

as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"

# apt-get ARGS..., retried for up to about five minutes while another install holds apt's
# lock; any other failure is reported at once.
apt_retry() {
    n=0
    log=$(mktemp)
    until $as_root env DEBIAN_FRONTEND=noninteractive apt-get "$@" 2>"$log"; do
        if [ $n -ge 30 ] || ! grep -q -i 'lock' "$log"; then
            cat "$log" >&2
            rm -f "$log"
            return 1
        fi
        n=$((n + 1))
        say "apt-get busy, retrying in 10 s"
        sleep 10
    done
    cat "$log" >&2
    rm -f "$log"
}

# Installs those of the packages named that are not installed yet.
install_missing() {
    missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    say "installing:$missing"
    apt_retry update -qq
    apt_retry install -y -qq --no-install-recommends $missing >/dev/null
}

# debian_sources DIR NAME=VERSION...: unpacks Debian's source packages into DIR.
debian_sources() {
    dir=$1
    shift
    # apt-get source needs deb-src entries; Debian's deb822 sources list them in Types:.
    if ! grep -qs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources &&
        ! grep -qs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/*.list; then
        say "adding deb-src to the Types: lines of /etc/apt/sources.list.d/*.sources"
        for f in /etc/apt/sources.list.d/*.sources; do
            $as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
        done
        apt_retry update -qq
    fi
    (cd "$dir" && apt-get source -qq "$@" >/dev/null 2>&1) ||
        (apt_retry update -qq && cd "$dir" && apt-get source -qq "$@" >/dev/null)
}
