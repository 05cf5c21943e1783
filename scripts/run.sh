#!/usr/bin/env bash
# Installs what is missing, builds, and starts the diary; arguments go to the program (murel --help).
set -euo pipefail
here=$(pwd)
src="$(cd "$(dirname "$0")/.." && pwd)"
"$src/scripts/setup.sh"
cmake -S "$src" --preset default >/dev/null
cmake --build "$src/build" --target Murel -j "$(nproc)"
cd "$here"
exec "$src/build/src/main/murel" "$@"
