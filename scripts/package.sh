#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package murel_<version>_<arch>.deb in the
# build tree of a preset (default: build/). Prints the package's path as its last line.
# Usage: scripts/package.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
scripts/setup.sh >&2
binary_dir=$(cmake --preset "$preset" | sed -n 's/^-- Build files have been written to: //p')
[ -d "$binary_dir" ] || { echo "cannot find the build tree of preset $preset" >&2; exit 1; }
cmake --build "$binary_dir" -j "$(nproc)" >&2
(cd "$binary_dir" && cpack -G DEB) >&2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$binary_dir/CMakeCache.txt")
deb=$binary_dir/murel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "cpack did not write $deb" >&2; exit 1; }
echo "$deb"
