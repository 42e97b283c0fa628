#!/usr/bin/env bash
# Builds Kelvra Saver, installs it for the current user and starts the
# installed editor. Arguments are passed to the program: no argument opens
# the editor, "/s" runs the show full-screen. The first start puts a sample
# show in place (see kelvra-sample-show); later starts keep the person's list.
#
#   KELVRA_BUILD_DIR=DIR   build folder (default: build)
#   KELVRA_SKIP_BUILD=1    use the programs already built there, as they are
set -euo pipefail
cd "$(dirname "$0")/.."

build=${KELVRA_BUILD_DIR:-build}
if [ "${KELVRA_SKIP_BUILD:-0}" != "1" ]; then
    bash scripts/install-deps.sh
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVRA_TESTS=OFF \
        -DKELVRA_BENCH=OFF
    cmake --build "$build" -j "$(nproc)"
fi

# Installing needs no display: "Kelvra Saver.scr" and "VLS.scr" go to the
# user's folders, with the desktop entry and the .kvl type.
"$build/bin/kelvra-saver" --install

# The installed copy's Windows folder, where the show finds its lists.
windows_dir=${KELVRA_WINDOWS_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/kelvra-saver}

# A first start gets a sample show (drawn pictures, a clip, a tune and a
# caption), so that "/s" shows something at once. A Windows folder that has
# a "zem.ini" is left exactly as it is.
if [ ! -e "$windows_dir/zem.ini" ]; then
    clip=()
    if [ -f "$build/share/sample-clip.mpg" ]; then
        clip=(--clip "$build/share/sample-clip.mpg")
    fi
    "$build/bin/kelvra-sample-show" "$windows_dir" "${clip[@]}" ||
        echo "Starting without the sample show." >&2
fi

if [ -z "${DISPLAY:-}" ]; then
    echo "Kelvra Saver needs a graphical display, and none is set (DISPLAY is empty)." >&2
    echo "Start it from a desktop session, or under Xvfb: xvfb-run -a bash scripts/run.sh" >&2
    exit 2
fi

# The installed copy, where the desktop's screen-saver settings find it.
exec "$windows_dir/Kelvra Saver.scr" "$@"
