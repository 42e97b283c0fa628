#!/usr/bin/env bash
# Builds Kelvra Saver, installs it for the current user and starts it.
# Arguments are passed to the program: no argument opens the editor,
# "/s" runs the show full-screen.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVRA_TESTS=OFF -DKELVRA_BENCH=OFF
cmake --build build -j "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Kelvra Saver needs a graphical display, and none is set (DISPLAY is empty)." >&2
    echo "Start it from a desktop session, or under Xvfb: xvfb-run -a bash scripts/run.sh" >&2
    exit 2
fi

./build/bin/kelvra-saver --install
exec ./build/bin/kelvra-saver "$@"
