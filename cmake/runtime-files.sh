#!/usr/bin/env bash
# Lists what a personalized saver needs beyond a base Debian system, for a
# package made "With Runtimes": every shared library the runtime loads
# (directly, through the Qt plugins it uses, and the media libraries it
# opens on first use), those Qt plugins, and a font with its configuration. One line per file: its path, a
# tab, its place below the package's runtime folder.
#
# usage: runtime-files.sh RUNTIME OUTPUT
set -euo pipefail
runtime=$1
output=$2

plugins_dir=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
plugins=()
for p in platforms/libqxcb.so xcbglintegrations/libqxcb-glx-integration.so \
         imageformats/libqgif.so imageformats/libqico.so imageformats/libqtiff.so \
         imageformats/libqwebp.so imageformats/libqjpeg.so imageformats/libqsvg.so \
         imageformats/libqtga.so imageformats/libqwbmp.so imageformats/libqicns.so; do
    if [ -f "$plugins_dir/$p" ]; then plugins+=("$plugins_dir/$p"); fi
done
# Opened on first use, so ldd of the runtime does not see them.
lazy=()
for l in libmpv.so.2 libfluidsynth.so.3; do
    f=$(ldconfig -p | awk -v n="$l" '$1 == n && /x86-64/ && !found { print $NF; found = 1 }')
    if [ -n "$f" ]; then lazy+=("$f"); fi
done

# The C library and the loader belong to the base system: copies of them
# would not match the recipient's loader.
base='^(ld-linux.*|libc\.so.*|libm\.so.*|libdl\.so.*|libpthread\.so.*|librt\.so.*|libresolv\.so.*|libutil\.so.*|libanl\.so.*|libnsl\.so.*|libBrokenLocale\.so.*|libmvec\.so.*|libthread_db\.so.*|linux-vdso.*)$'

tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
for f in "$runtime" "${plugins[@]}" "${lazy[@]}"; do
    ldd "$f" | awk '/=> \// { print $3 }'
done | sort -u > "$tmp"
for f in "${lazy[@]}"; do echo "$f"; done >> "$tmp"

{
    sort -u "$tmp" | while read -r lib; do
        name=$(basename "$lib")
        if [[ $name =~ $base ]]; then continue; fi
        printf '%s\tlib/%s\n' "$(readlink -f "$lib")" "$name"
    done
    for p in "${plugins[@]}"; do
        printf '%s\tplugins/%s\n' "$p" "${p#"$plugins_dir"/}"
    done
    # A base system may have no fonts at all: text would show as boxes.
    for f in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
             /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf; do
        if [ -f "$f" ]; then printf '%s\tfonts/%s\n' "$f" "$(basename "$f")"; fi
    done
    printf '%s\tfonts/fonts.conf\n' "$(cd "$(dirname "$0")" && pwd)/runtime-fonts.conf"
} > "$output.tmp"
mv "$output.tmp" "$output"
