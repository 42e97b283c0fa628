#!/usr/bin/env bash
# Builds the libFuzzer target of the picture loader with clang and runs it.
#   bash scripts/fuzz-images.sh [seconds]     (default 60; 0 builds only)
# Not part of CI. Crashes land in build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
out=build-fuzz
mkdir -p "$out/corpus" "$out/crashes"

if ! command -v clang++ >/dev/null; then
    echo "clang++ is needed for libFuzzer (apt-get install clang)." >&2
    exit 2
fi

# ImageMagick's flags ask for OpenMP; our decoder runs it single-threaded.
magick_cflags=$(pkg-config --cflags Magick++ | sed 's/-fopenmp//g')
magick_libs=$(pkg-config --libs Magick++ | sed 's/-fopenmp//g')

clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -Isrc $magick_cflags $(pkg-config --cflags Qt6Gui libjpeg libtiff-4) \
    tests/platform/image_fuzz.cpp \
    src/platform/imageio.cpp src/platform/imageio_checks.cpp \
    src/platform/jpegdecoder.cpp src/platform/magickdecoder.cpp \
    $magick_libs $(pkg-config --libs Qt6Gui libjpeg libtiff-4) \
    -o "$out/image_fuzz"
echo "built $out/image_fuzz"

# Seeds: one small file per format, the first byte choosing the name (see
# kNames in image_fuzz.cpp).
if [ -z "$(ls -A "$out/corpus")" ] && command -v convert >/dev/null; then
    i=0
    for ext in jpg png bmp gif tif ico cur tga pcx dcx psd ras pct; do
        tmp="$out/seed.$ext"
        if convert -size 24x16 gradient:red-blue "$tmp" 2>/dev/null; then
            { printf "\\$(printf '%03o' "$i")"; cat "$tmp"; } > "$out/corpus/$ext"
        fi
        rm -f "$tmp"
        i=$((i + 1))
    done
fi

if [ "$seconds" != 0 ]; then
    # Any single allocation over 512 MB is a finding; the process as a whole
    # may grow further (ASan's quarantine and ImageMagick's caches).
    ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1:quarantine_size_mb=64 \
        "$out/image_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=512 \
        -max_len=65536 \
        -artifact_prefix="$out/crashes/" "$out/corpus"
fi
