#!/usr/bin/env bash
# Builds the project with its benchmarks and runs every benchmark program
# found in build/bench/. Benchmarks print figures; a slow figure never fails
# this script, only a benchmark that cannot run does.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVRA_BENCH=ON
cmake --build build -j "$(nproc)"

status=0
found=0
for exe in build/bench/*; do
    [ -f "$exe" ] && [ -x "$exe" ] || continue
    found=1
    echo "=== $(basename "$exe")"
    if ! "$exe"; then
        echo "$(basename "$exe") failed" >&2
        status=1
    fi
    echo
done
if [ "$found" = 0 ]; then
    echo "No benchmarks in build/bench/." >&2
    exit 1
fi
exit "$status"
