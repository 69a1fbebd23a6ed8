#!/usr/bin/env bash
# Starting the menu on a disc image: the first start (which unpacks a DISC_MB image, default 650 MB, into the
# disc cache) against `bsdtar -xf` of the same image, the first start from each descriptor shape of that disc
# (.nrg, .mds, .ccd, a cue sheet per track) against the same, the first start from a .7z holding the image
# against `bsdtar -xOf disc.7z disc.iso | bsdtar -xf -`, and a later start (from the cache) against a
# start on the disc's directory. All under one Xvfb, alternating, RUNS times each; prints the medians and the ratios.
# Usage: bench/disc_image.sh BUILD_DIR [RUNS]
set -euo pipefail
# shellcheck source=bench/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"
build=$(realpath "$1")
runs=${2:-5}
menu=$build/src/tavox95
cd_dir=$build/sample-cd
shaper=""
for candidate in "$build/tests/make-raw-image" "$build/bench/make-raw-image"; do
    [ -x "$candidate" ] && shaper=$candidate
done
command -v xorriso >/dev/null || { echo "disc image benchmark: xorriso is not installed" && exit 0; }

start_bench

# The sample CD filled up with incompressible files to the size of a pressed disc.
mkdir -p "$work/disc"
cp -r "$cd_dir/." "$work/disc/"
mkdir -p "$work/disc/FILL"
fill_mb=$((${DISC_MB:-650} - $(du -sm "$cd_dir" | cut -f1)))
for i in $(seq 0 $(((fill_mb + 31) / 32 - 1))); do
    head -c 32M /dev/urandom >"$work/disc/FILL/PART$i.DAT"
done
xorriso -abort_on FAILURE -outdev "$work/disc.iso" -volid TAVOX_BENCH -joliet on -rockridge on \
    -map "$work/disc" / >/dev/null 2>&1
rm -rf "$work/disc"
mkdir -p "$work/machine/drive_c/windows"
printf '[Main]\r\nLanguage2=1\r\n' >"$work/machine/drive_c/windows/tavox.ini"

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}
fresh() { # directory: emptied, read-only leftovers included, and the removal written out before the next run
    chmod -R u+w "$1" 2>/dev/null || true
    rm -rf "$1"
    mkdir -p "$1"
    sync
}
menu_on() { # disc arguments...
    "$menu" "$@" --machine "$work/machine" --runner "" --opener true --snapshot "$work/menu.png"
}
first_start() {
    XDG_CACHE_HOME=$work/cache menu_on "$work/disc.iso"
}
bsdtar_extract() {
    bsdtar -xf "$work/disc.iso" -C "$work/extracted"
}
archive_start() {
    XDG_CACHE_HOME=$work/cache menu_on "$work/disc.7z"
}
bsdtar_pipe() {
    bsdtar -xOf "$work/disc.7z" disc.iso | bsdtar -xf - -C "$work/extracted"
}
later_start() {
    XDG_CACHE_HOME=$work/cache menu_on "$work/disc.iso"
}
directory_start() {
    menu_on A --cd "$cd_dir"
}

# Times `start` on an empty cache and `baseline` on an empty extraction directory, alternating, RUNS times
# each, into $work/NAME.ms and $work/NAME-baseline.ms.
alternate() { # name start baseline
    : >"$work/$1.ms"
    : >"$work/$1-baseline.ms"
    for _ in $(seq "$runs"); do
        fresh "$work/cache"
        elapsed_ms "$2" >>"$work/$1.ms"
        fresh "$work/extracted"
        elapsed_ms "$3" >>"$work/$1-baseline.ms"
    done
}

# Warm-up: the image in the page cache for both, the menu's machine laid out. Each timed run starts on an
# empty directory with nothing left to write out.
fresh "$work/extracted"
elapsed_ms bsdtar_extract >/dev/null
fresh "$work/cache"
elapsed_ms first_start >/dev/null
elapsed_ms directory_start >/dev/null
alternate first first_start bsdtar_extract
shape_lines=()
# The image inside a .7z (fast packing: the files are incompressible either way).
if command -v 7z >/dev/null; then
    (cd "$work" && 7z a -bd -mx=1 disc.7z disc.iso >/dev/null)
    alternate archive archive_start bsdtar_pipe
    archive_ms=$(median <"$work/archive.ms")
    pipe_ms=$(median <"$work/archive-baseline.ms")
    shape_lines+=("first start from the image in a .7z, median of $runs: menu $archive_ms ms, bsdtar -xOf | \
bsdtar -xf $pipe_ms ms, ratio $(ratio "$archive_ms" "$pipe_ms")")
    rm "$work/disc.7z"
fi
# Each shape beside the image, made and removed in turn: a shape is as large as the image or larger.
for shape in nrg mds ccd cue-per-track; do
    [ -n "$shaper" ] || break
    mkdir -p "$work/shape"
    shape_image=$("$shaper" --shape "$shape" "$work/disc.iso" "$work/shape/TAVOX")
    shape_start() {
        XDG_CACHE_HOME=$work/cache menu_on "$shape_image"
    }
    alternate shape shape_start bsdtar_extract
    shape_ms=$(median <"$work/shape.ms")
    shape_bsdtar_ms=$(median <"$work/shape-baseline.ms")
    shape_lines+=("first start from the $shape shape, median of $runs: menu $shape_ms ms, bsdtar -xf of the .iso \
$shape_bsdtar_ms ms, ratio $(ratio "$shape_ms" "$shape_bsdtar_ms")")
    rm -rf "$work/shape"
done
fresh "$work/extracted"
: >"$work/later.ms"
: >"$work/dir.ms"
for _ in $(seq $((runs * 5))); do
    elapsed_ms later_start >>"$work/later.ms"
    elapsed_ms directory_start >>"$work/dir.ms"
done
first_ms=$(median <"$work/first.ms")
bsdtar_ms=$(median <"$work/first-baseline.ms")
later_ms=$(median <"$work/later.ms")
dir_ms=$(median <"$work/dir.ms")
size_mb=$(($(stat -c %s "$work/disc.iso") >> 20))
echo "first start on a $size_mb MB image, median of $runs: menu $first_ms ms, bsdtar -xf $bsdtar_ms ms," \
    "ratio $(ratio "$first_ms" "$bsdtar_ms")"
for line in "${shape_lines[@]}"; do
    echo "$line"
done
echo "later start from the cache, median of $((runs * 5)): $later_ms ms, from the directory $dir_ms ms," \
    "ratio $(ratio "$later_ms" "$dir_ms")"
