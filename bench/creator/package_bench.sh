#!/usr/bin/env bash
# Making and installing a personalized saver of about 500 MB of media,
# next to makeself (--nocomp) and 7-Zip (ZIP, stored, AES-256) on the same
# files, in the same run. Figures are wall-clock seconds and MB/s.
#
# usage: package_bench [--quick]     (--quick: about 100 MB)
# KELVRA_BIN: the folder of kelvra-saver (default: ../bin beside this script)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${KELVRA_BIN:-$here/../bin}
count=50
[ "${1:-}" = "--quick" ] && count=10
password=KMX27481635TorvaldQuinceMapleHarbours

for tool in makeself 7z; do
    if ! command -v $tool >/dev/null; then
        echo "package_bench: $tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export KELVRA_WINDOWS_DIR=$tmp/windows XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
export KELVRA_SYSTEM_DIR=$bin HOME=$tmp/home
mkdir -p "$tmp/media" "$tmp/out" "$KELVRA_WINDOWS_DIR" "$HOME"

# Photos and clips do not compress: random bytes stand in for them.
for i in $(seq 1 "$count"); do
    ext=jpg
    [ $((i % 10)) -eq 0 ] && ext=mpg
    head -c 10000000 /dev/urandom > "$tmp/media/item $i.$ext"
done
mb=$(du -sm "$tmp/media" | cut -f1)
{
    printf ' 5 \r\n %d \r\n' "$count"
    for f in "$tmp"/media/*; do printf '%s\r\n' "$f"; done
} > "$KELVRA_WINDOWS_DIR/zem.ini"
"$bin/kelvra-saver" --install >/dev/null

now() { date +%s.%N; }
secs() { echo "$2 - $1" | bc; }
rate() { echo "scale=1; $mb / $1" | bc; }
sync

t0=$(now)
"$bin/kelvra-saver" --create-saver "Bench Saver" --out "$tmp/out" 2>/dev/null >/dev/null
t1=$(now)
ours_make=$(secs "$t0" "$t1")

sync
t0=$(now)
makeself --nocomp --quiet "$tmp/media" "$tmp/out/bench.run" "Bench" true >/dev/null 2>&1
t1=$(now)
makeself_make=$(secs "$t0" "$t1")

sync
t0=$(now)
(cd "$tmp/media" && 7z a -tzip -mx=0 -mem=AES256 -p"$password" "$tmp/out/bench.zip" . >/dev/null)
t1=$(now)
sevenzip_make=$(secs "$t0" "$t1")

sync
t0=$(now)
"$tmp/out/Bench Saver.exe" --unattended --dest "$tmp/installed" >/dev/null 2>&1
t1=$(now)
ours_install=$(secs "$t0" "$t1")

sync
t0=$(now)
"$tmp/out/bench.run" --quiet --noexec --target "$tmp/makeself-target" >/dev/null 2>&1
t1=$(now)
makeself_install=$(secs "$t0" "$t1")

printf '\nPersonalized saver of %d MB (%d items), wall-clock seconds:\n' "$mb" "$count"
printf '  %-46s %8s %9s\n' "" seconds "MB/s"
printf '  %-46s %8.2f %9s\n' "create package (AES archive + installer)" "$ours_make" "$(rate "$ours_make")"
printf '  %-46s %8.2f %9s\n' "makeself --nocomp on the same files" "$makeself_make" "$(rate "$makeself_make")"
printf '  %-46s %8.2f %9s\n' "7z ZIP stored AES-256 on the same files" "$sevenzip_make" "$(rate "$sevenzip_make")"
printf '  %-46s %8.2f %9s\n' "install, unattended (every member verified)" "$ours_install" "$(rate "$ours_install")"
printf '  %-46s %8.2f %9s\n' "makeself extraction (checksums on)" "$makeself_install" "$(rate "$makeself_install")"
printf '  install speed against makeself: %.2fx\n' "$(echo "$makeself_install / $ours_install" | bc -l)"
