#!/usr/bin/env bash
# Checks a built Debian package as a user's system sees it: lintian, its contents, both validators
# on the installed desktop entry and metainfo, and a smoke test of the program unpacked with
# dpkg-deb -x: --version, then a day typed under Xvfb into a data file named on its command line.
# Usage: scripts/check-package.sh <murel_<version>_<arch>.deb>
set -euo pipefail
deb=$(realpath "$1")
src="$(cd "$(dirname "$0")/.." && pwd)"
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

echo "== control"
for field in Package Version Architecture Maintainer Section Depends Recommends Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "the control file has no $field"
done
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries"
for r in qt6-translations-l10n fonts-ipafont-gothic; do
    dpkg-deb -f "$deb" Recommends | grep -q "$r" || fail "Recommends lacks $r"
done

echo "== contents"
root=$work/root
dpkg-deb -x "$deb" "$root"
id=org.example.murel
for f in usr/bin/murel usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/man/man1/murel.1.gz \
         usr/share/man/ja/man1/murel.1.gz usr/share/doc/murel/copyright \
         usr/share/doc/murel/changelog.gz; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
done
for n in 16 22 32 48 64 128 256; do
    file "$root/usr/share/icons/hicolor/${n}x$n/apps/$id.png" | grep -q "PNG image data, $n x $n," \
        || fail "no $n px icon"
done
file "$root/usr/bin/murel" | grep -q ', stripped' || fail "the program is not stripped"
grep -qx "Exec=murel" "$root/usr/share/applications/$id.desktop" || fail "the menu entry does not run murel"

echo "== validators"
out=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1) || fail "$out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
# The metainfo with the menu entry and icons it refers to, as installed.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

echo "== smoke test of the unpacked program"
answer=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/murel" --version)
[ "$answer" = "ミュレル $version" ] || fail "murel --version answered '$answer'"
"$src/tests/e2e/daily_entry.sh" "$root/usr/bin/murel" --named
echo "PASS: $(basename "$deb")"
