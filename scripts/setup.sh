#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 or Ubuntu, skipping what is already there.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qt6-translations-l10n libgl-dev fonts-ipafont-gothic
          xvfb xauth xdotool faketime openbox x11-xkb-utils
          dpkg-dev file desktop-file-utils appstream lintian clang-format python3 poppler-utils
          libqt6sql6-sqlite sqlite3 dbus-daemon at-spi2-core python3-dbus)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
