#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Idempotent: packages already present are left alone, and apt is only asked
# when something is missing.
set -euo pipefail

# One group per need; each package is used directly by what its group names.
packages=(
    # build
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools
    libxcb1-dev libx11-dev libxfixes-dev
    libmpv-dev libfluidsynth-dev
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
    libmagick++-6.q16-dev libjpeg62-turbo-dev libtiff-dev libzip-dev libssl-dev
    # running: the X11 platform, picture formats, the General MIDI sounds
    qt6-qpa-plugins qt6-image-formats-plugins fluid-soundfont-gm
    # tests: GoogleTest, the private X server and its tools (xrandr for
    # several monitors), clips, fonts, other programs' view of our archives
    libgtest-dev xvfb xdotool x11-xserver-utils imagemagick ffmpeg fonts-dejavu-core
    p7zip-full python3
    # the desktop's own tools the tests run for real: the screen saver daemon,
    # the MIME database compiler, xprop for the root window's properties
    xscreensaver shared-mime-info x11-utils
    # benchmarks and the programs they compare with
    libbenchmark-dev libjpeg-turbo-progs feh makeself bc
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
# env carries the setting through sudo, which would drop it from the environment.
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
