#!/bin/sh
# Runs a test as the unprivileged user nobody when the suite runs as root, so that the cases that
# need permissions to bite are really tried. Exits 77 (skipped) when it cannot: not root, no
# setpriv, or a needed file out of nobody's reach.
# Usage: as_user.sh [--need FILE]... -- TEST [ARGS]
as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
[ "$(id -u)" = 0 ] || exit 77
command -v setpriv >/dev/null 2>&1 || exit 77
while [ "$1" = --need ]; do
    as_nobody test -r "$2" || exit 77
    shift 2
done
[ "$1" = -- ] && shift
as_nobody test -x "$1" || exit 77
exec setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp TMPDIR=/tmp "$@"
