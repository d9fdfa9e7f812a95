# Installing Debian packages from the Windows release's scripts (sourced by build.sh and
# test.sh, POSIX sh; they define say first): apt-get as root, through sudo unless already
# root, and retried while another install holds apt's lock.

as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"

# apt-get ARGS..., retried for up to about three minutes while apt is busy.
apt_retry() {
    n=0
    until $as_root env DEBIAN_FRONTEND=noninteractive apt-get "$@"; do
        n=$((n + 1))
        [ $n -lt 20 ] || return 1
        say "apt-get busy, retrying in 10 s"
        sleep 10
    done
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
