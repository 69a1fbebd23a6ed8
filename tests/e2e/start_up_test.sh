#!/usr/bin/env bash
# The real program under Xvfb on the sample CD: a first start opens the language dialog over the window; a
# later start shows the demos page with the active section lit and the first row bordered.
# Usage: start_up_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
set -euo pipefail
program=$1
cd_dir=$2
# The X platform brings in libraries that keep allocations until exit.
export LSAN_OPTIONS="suppressions=$(dirname "$(realpath "$0")")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
failures=0
expect() { # name actual expected
    if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: got $2, expected $3"; failures=$((failures + 1)); fi
}
run() { # snapshot file
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$program" A --machine "$work/machine" --cd "$cd_dir" \
        --runner "" --opener true --snapshot "$1" 2>/dev/null
}

run "$work/first.png"
# The settings dialog (grey panel) stands where the picture box is otherwise dark.
first=$(pixel "$work/first.png" 300 150)
expect "first start shows the language dialog" "$([ "$first" != "srgb(16,16,42)" ] && echo dialog || echo none)" dialog

printf '[Main]\r\nLanguage2=1\r\n' >"$work/machine/drive_c/WINDOWS/tavox.ini"
run "$work/second.png"
expect "the active section button is lit" "$(pixel "$work/second.png" 600 92)" "srgb(132,165,235)"
expect "the selected row carries the silver border" "$(pixel "$work/second.png" 20 72)" "srgb(192,192,192)"
expect "the CD kept drive D:" "$(readlink "$work/machine/dosdevices/d:")" "$(realpath "$cd_dir")"

[ "$failures" -eq 0 ]
