#!/usr/bin/env bash
# Start-up to the first picture: the menu on the sample CD (`tavox95 A --snapshot`, language already chosen)
# against bare_picture, a Qt program that only shows a 640x480 picture and writes it the same way. Both run
# alternately under one Xvfb, RUNS times each after a warm-up; prints both medians and their ratio, then the
# fsync and rename calls (strace -c) of a first start on a new machine and of a repeated start on it.
# Usage: bench/startup.sh BUILD_DIR [RUNS]
set -euo pipefail
# shellcheck source=bench/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"
build=$(realpath "$1")
runs=${2:-15}
menu=$build/src/tavox95
bare=$build/bench/bare_picture
cd_dir=$build/sample-cd

start_bench

# The reader chose the language on an earlier start, so no dialog stops the menu.
mkdir -p "$work/machine/drive_c/windows"
printf '[Main]\r\nLanguage2=1\r\n' >"$work/machine/drive_c/windows/tavox.ini"
run_menu() {
    "$menu" A --machine "$work/machine" --cd "$cd_dir" --runner "" --opener true --snapshot "$work/menu.png"
}
run_bare() {
    "$bare" "$cd_dir/TAVOX/MLOK01.JPG" "$work/bare.png"
}

# The first start lays out the machine; both warm the file cache.
elapsed_ms run_menu >/dev/null
elapsed_ms run_bare >/dev/null
: >"$work/menu.ms"
: >"$work/bare.ms"
for _ in $(seq "$runs"); do
    elapsed_ms run_menu >>"$work/menu.ms"
    elapsed_ms run_bare >>"$work/bare.ms"
done
menu_ms=$(median <"$work/menu.ms")
bare_ms=$(median <"$work/bare.ms")
echo "start-up to snapshot, median of $runs: menu $menu_ms ms, bare Qt picture $bare_ms ms," \
    "ratio $(awk -v m="$menu_ms" -v b="$bare_ms" 'BEGIN { printf "%.2f", m / b }')"

# What a start writes: counted, not timed. The first start lays out a new machine; the repeated one finds
# everything as the first left it.
if ! command -v strace >/dev/null; then
    echo "fsync and rename counts: strace is not installed" >&2
    exit 0
fi
mkdir -p "$work/counted/drive_c/windows"
printf '[Main]\r\nLanguage2=1\r\n' >"$work/counted/drive_c/windows/tavox.ini"
counted_start() { # prints the fsync and rename calls of one start on $work/counted
    strace -f -c -e trace=fsync,fdatasync,rename,renameat,renameat2 -o "$work/strace" \
        "$menu" A --machine "$work/counted" --cd "$cd_dir" --runner "" --opener true \
        --snapshot "$work/counted.png" >/dev/null 2>"$work/stderr" || {
        cat "$work/stderr" >&2
        exit 1
    }
    awk '$NF ~ /^(fsync|fdatasync)$/ { f += $4 } $NF ~ /^rename/ { r += $4 }
        END { printf "%d fsync, %d rename", f, r }' "$work/strace"
}
first=$(counted_start)
again=$(counted_start)
echo "writes of a start: first start $first; repeated start $again"
