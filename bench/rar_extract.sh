#!/usr/bin/env bash
# Extraction through TRAR, with the unpack dialog's per-file event processing, against the reference
# extractors in the same run: bsdtar -xf of one 200 MB stored archive written by rar-writer, and unar of a
# compressed real archive (a multi-volume set from ../shared/fixtures/rar, skipped where it is absent).
# Each runs RUNS times, alternating; prints the medians, their ratio and the peak memory.
# Usage: bench/rar_extract.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$(realpath "$1")
runs=${2:-5}
trar=$build/bench/trar_extract
writer=$build/tools/rar-writer
fixtures=$(realpath -m "$(dirname "$0")/../../shared/fixtures/rar")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Twenty 10 MB files of incompressible bytes, stored, as archives on the discs were for packed data.
entries=()
for i in $(seq -w 1 20); do
    head -c 10485760 /dev/urandom >"$work/data$i.bin"
    entries+=("GAME\\DATA$i.BIN=@$work/data$i.bin")
done
"$writer" "$work/stored.rar" "${entries[@]}"
rm -f "$work"/data*.bin

elapsed_ms() { # command...: its wall time in milliseconds; a failed run ends the benchmark
    local start end
    start=$(date +%s%N)
    if ! "$@" >"$work/out" 2>&1; then
        echo "$* failed:" >&2
        cat "$work/out" >&2
        exit 1
    fi
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
fresh() { rm -rf "$work/out-dir" && mkdir "$work/out-dir"; }
peak_kb() { # command...: the peak resident memory of the command and its children, in KB
    fresh
    /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
}

compare() { # label archive reference-command...
    local label=$1 archive=$2
    shift 2
    local ours=() theirs=()
    for _ in $(seq "$runs"); do
        fresh
        ours+=("$(elapsed_ms "$trar" "$archive" "$work/out-dir")")
        fresh
        theirs+=("$(elapsed_ms "$@")")
    done
    local ours_ms theirs_ms
    ours_ms=$(printf '%s\n' "${ours[@]}" | median)
    theirs_ms=$(printf '%s\n' "${theirs[@]}" | median)
    fresh
    "$trar" "$archive" "$work/out-dir" >"$work/trar.txt"
    echo "$label: TRAR $ours_ms ms, $1 $theirs_ms ms, ratio" \
        "$(awk -v a="$ours_ms" -v b="$theirs_ms" 'BEGIN { printf "%.2f", a / b }')"
    echo "  TRAR memory: $(cat "$work/trar.txt"); $1 peak $(peak_kb "$@") KB"
}

compare "200 MB stored archive" "$work/stored.rar" bsdtar -xf "$work/stored.rar" -C "$work/out-dir"
if [ -e "$fixtures/test_read_format_rar_multivolume.part0001.rar" ]; then
    compare "compressed 4-volume set" "$fixtures/test_read_format_rar_multivolume.part0001.rar" \
        unar -q -o "$work/out-dir" "$fixtures/test_read_format_rar_multivolume.part0001.rar"
else
    echo "compressed real archive: skipped (no ../shared/fixtures/rar)"
fi
