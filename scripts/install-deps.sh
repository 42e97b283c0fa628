#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Idempotent: packages already present are left alone, and apt is only asked
# when something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-qpa-plugins
    libqt6svg6 libgl-dev libxcb1-dev libx11-dev libxfixes-dev
    libmpv-dev libfluidsynth-dev fluid-soundfont-gm
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
    libmagick++-6.q16-dev libzip-dev libjpeg62-turbo-dev libjpeg-turbo-progs
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xdotool x11-utils x11-xserver-utils x11-apps imagemagick feh ffmpeg fonts-dejavu-core
    libssl-dev p7zip-full python3
    makeself bc
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
