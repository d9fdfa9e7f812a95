# The libraries the releases are built on, pinned once (sourced, POSIX sh): the Windows and
# web stacks (tools/windows/stack.sh, tools/web/stack.sh), the Linux tarball's sdl12-compat
# (tools/linux/package.sh) and the READMEs shipped beside them all take their versions from
# here. README.md names them too; tests/release/versions_test.sh checks that it agrees.

# Debian 12's source packages, by their exact Debian versions (apt-get source NAME=VERSION).
sdl2_debian=2.26.5+dfsg-1
sdl_mixer_debian=1.2.12-17
libmikmod_debian=3.3.11.1-7

# sdl12-compat, which Debian has no source package of here: its release source, every file
# of which tools/sources/sdl12-compat.sh checks against tools/sources/sdl12-compat.sha256.
sdl12_compat_version=1.2.76

# The upstream versions are the Debian ones without revision or repacking suffix; a source
# package unpacks into NAME-UPSTREAM, its version without the revision.
sdl2_version=${sdl2_debian%%[+-]*}
sdl_mixer_version=${sdl_mixer_debian%%[+-]*}
libmikmod_version=${libmikmod_debian%%[+-]*}
