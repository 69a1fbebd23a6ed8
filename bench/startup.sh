#!/usr/bin/env bash
# Start-up to the first picture: the menu on the sample CD (`tavox95 A --snapshot`, language already chosen)
# against bare_picture, a Qt program that only shows a 640x480 picture and writes it the same way. Both run
# alternately under one Xvfb, RUNS times each after a warm-up; prints both medians and their ratio.
# Usage: bench/startup.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$(realpath "$1")
runs=${2:-15}
menu=$build/src/tavox95
bare=$build/bench/bare_picture
cd_dir=$build/sample-cd

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2 && exit 1; }
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

# The reader chose the language on an earlier start, so no dialog stops the menu.
mkdir -p "$work/machine/drive_c/WINDOWS"
printf '[Main]\r\nLanguage2=1\r\n' >"$work/machine/drive_c/WINDOWS/tavox.ini"
run_menu() {
    "$menu" A --machine "$work/machine" --cd "$cd_dir" --runner "" --opener true --snapshot "$work/menu.png"
}
run_bare() {
    "$bare" "$cd_dir/TAVOX/MLOK01.JPG" "$work/bare.png"
}
elapsed_ms() { # command: runs it and prints its wall time in milliseconds; a failed run ends the benchmark
    local start end
    start=$(date +%s%N)
    if ! "$@" >/dev/null 2>"$work/stderr"; then
        echo "$* failed:" >&2
        cat "$work/stderr" >&2
        exit 1
    fi
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}
median() { # numbers on stdin
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
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
