#!/usr/bin/env bash
# The shelf on images of the sample CD with different issue numbers: the first scan of 50 images against
# `bsdtar -xOf IMAGE TAVOX/TAVOX95.INI` of all 50; opening an unchanged shelf of 500 discs against opening an
# empty folder; one search keystroke in the shelf window over the 500 and the memory they take. RUNS times
# each, alternating; prints the medians and the ratios.
# Usage: bench/shelf.sh BUILD_DIR [RUNS]
set -euo pipefail
# shellcheck source=bench/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"
build=$(realpath "$1")
runs=${2:-5}
menu=$build/src/tavox95
command -v xorriso >/dev/null || { echo "shelf benchmark: xorriso is not installed" && exit 0; }
command -v bsdtar >/dev/null || { echo "shelf benchmark: bsdtar is not installed" && exit 0; }

start_bench

# 50 issues, December 1995 onwards; the 500 are ten folders of links to them, each file a disc of its own.
tree="$work/tree"
cp -r "$build/sample-cd" "$tree"
chmod -R u+w "$tree"
mkdir -p "$work/shelf50" "$work/empty"
for i in $(seq 0 49); do
    month=$((i % 12 + 1))
    year=$(((95 + i / 12) % 100))
    issue=$(printf '%02d%02d' "$month" "$year")
    sed -i "s/^CD=.*/CD=$issue/" "$tree/TAVOX/TAVOX95.INI"
    xorriso -abort_on FAILURE -outdev "$work/shelf50/TAVOX$issue.iso" -volid "TAVOX_$issue" -joliet on \
        -map "$tree" / >/dev/null 2>&1
done
for set in $(seq 0 9); do
    mkdir -p "$work/shelf500/set$set"
    for image in "$work/shelf50"/*.iso; do
        ln "$image" "$work/shelf500/set$set/$(basename "$image")"
    done
done

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}
first_scan() {
    rm -rf "$work/cache"
    XDG_CACHE_HOME=$work/cache "$menu" --list "$work/shelf50"
}
bsdtar_all() {
    for image in "$work/shelf50"/*.iso; do
        bsdtar -xOf "$image" TAVOX/TAVOX95.INI
    done
}
open_500() {
    XDG_CACHE_HOME=$work/cache500 "$menu" --list "$work/shelf500"
}
open_empty() {
    XDG_CACHE_HOME=$work/cache500 "$menu" --list "$work/empty"
}

elapsed_ms first_scan >/dev/null
elapsed_ms bsdtar_all >/dev/null
elapsed_ms open_500 >/dev/null # the index of the 500, made once
: >"$work/first.ms"
: >"$work/bsdtar.ms"
: >"$work/open.ms"
: >"$work/empty.ms"
for _ in $(seq "$runs"); do
    elapsed_ms first_scan >>"$work/first.ms"
    elapsed_ms bsdtar_all >>"$work/bsdtar.ms"
    elapsed_ms open_500 >>"$work/open.ms"
    elapsed_ms open_empty >>"$work/empty.ms"
done
first_ms=$(median <"$work/first.ms")
bsdtar_ms=$(median <"$work/bsdtar.ms")
open_ms=$(median <"$work/open.ms")
empty_ms=$(median <"$work/empty.ms")
echo "shelf: first scan of 50 images $first_ms ms, bsdtar -xOf of their catalogues $bsdtar_ms ms," \
    "ratio $(ratio "$first_ms" "$bsdtar_ms") (goal 1.5)"
echo "shelf: opening 500 unchanged discs $open_ms ms, an empty folder $empty_ms ms," \
    "ratio $(ratio "$open_ms" "$empty_ms") (goal 2)"
XDG_CACHE_HOME=$work/cache500 "$build/bench/shelf_search" "$work/shelf500" "$work/machine" "zubr bizon" "hvezdar" \
    "lunar drift"
