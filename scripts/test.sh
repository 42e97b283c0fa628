#!/usr/bin/env bash
# Builds everything and runs every test (unit, widget and end-to-end under a
# private Xvfb that the tests start themselves). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs" --timeout 300)

# The sanitizer build covers the unit tests that feed untrusted input
# (settings files, INI files, pictures) to our parsers. It builds only what
# those tests run, and any undefined behaviour fails the test it happens in.
if [ "${KELVRA_SKIP_SANITIZE:-0}" != "1" ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELVRA_SANITIZE=ON \
        -DKELVRA_BENCH=OFF
    cmake --build build-asan -j "$jobs" --target kelvra_unit_tests
    (cd build-asan && ASAN_OPTIONS=detect_leaks=0 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs" --timeout 600 -L unit)
fi
