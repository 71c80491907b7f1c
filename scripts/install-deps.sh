#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need; does nothing when
# they are all present. Runs apt-get as root (through sudo when started by another user).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libqscintilla2-qt6-dev qt6-translations-l10n
    libicu-dev
    fonts-ipafont-gothic
    googletest libgtest-dev
    clang libclang-rt-14-dev
    xvfb xauth
    file desktop-file-utils appstream lintian
    gettext
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
