#!/usr/bin/env bash
# The menu's own machine (no --machine) and real Wine, as a new user meets them: the menu lays the machine
# out at its first start, the reader chooses the language, then Wine's first start there (which the first
# Windows installer brings) updates the machine as a Wine prefix. Wine must find the Windows folder where it
# keeps its own, so that there is one Windows folder and the next start reads the same settings.
# Usage: wine_first_start_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# Exits with 77 when Wine is not installed (scripts/setup installs it).
set -euo pipefail
for tool in wine wineserver wineboot convert; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed" && exit 77; }
done
# shellcheck source=lib.sh source-path=SCRIPTDIR
source "$(dirname "$(realpath "$0")")/lib.sh" "$1" "$2"

export XDG_DATA_HOME=$work/data QT_QPA_PLATFORM=offscreen
machine=$XDG_DATA_HOME/tavox95/machine
# Debian's Wine keeps its server directory under TMPDIR; Mono and Gecko would ask to be downloaded.
mkdir "$work/tmp"
export TMPDIR=$work/tmp WINEPREFIX=$machine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_cleanup() {
    if [ -f "$machine/system.reg" ]; then
        wineserver -k 2>/dev/null || true
    fi
    e2e_cleanup
}
trap wine_cleanup EXIT

snapshot() { # file
    "$e2e_program" A --cd "$e2e_cd" --runner "" --opener true --snapshot "$1" 2>>"$work/menu.log"
}
windows_folders() {
    find "$machine/drive_c" -mindepth 1 -maxdepth 1 -iname windows | wc -l
}

snapshot "$work/first.png"
# The first start asked for the language, which the reader chose.
settings=$(find "$machine/drive_c" -mindepth 2 -maxdepth 2 -iname tavox.ini)
printf 'Language2=1\r\n' >>"$settings"

wineboot -u >"$work/wineboot.log" 2>&1
wineserver -w
expect "Wine found the Windows folder it keeps" "$(windows_folders)" 1
expect "Wine kept SystemRoot" "$(grep -c '^"SystemRoot"="C:\\\\windows"' "$machine/system.reg")" 1

snapshot "$work/second.png"
# The settings dialog (grey panel) would stand where the picture box is dark.
expect "the next start does not ask for the language again" "$(pixel "$work/second.png" 300 150)" \
    "srgb(16,16,42)"
expect "its settings are the ones chosen" \
    "$(grep -ac '^Language2=1' "$(find "$machine/drive_c" -mindepth 2 -maxdepth 2 -iname tavox.ini)")" 1

e2e_result
