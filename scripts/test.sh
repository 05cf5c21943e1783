#!/usr/bin/env bash
# Installs what is missing, checks the layout of the sources, builds with warnings as errors, and
# runs every test headless; then does the same under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Every C++ file laid out as the committed .clang-format says.
find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0 \
    | xargs -0 clang-format --dry-run -Werror
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

# The Debian package of that build: lintian, validators, and the unpacked program under Xvfb.
deb=$(scripts/package.sh ci | tail -n 1)
scripts/check-package.sh "$deb"

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j "$jobs"
