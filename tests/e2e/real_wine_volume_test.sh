#!/usr/bin/env bash
# The CD drive as a real Windows program sees it under real Wine when the menu runs on a disc image: a CD-ROM
# drive whose GetVolumeInformation gives the image's volume label and the serial number computed from its
# volume descriptor.
# Usage: real_wine_volume_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# Exits with 77 when Wine, MinGW or xorriso is not installed (scripts/setup installs them).
set -euo pipefail
here=$(dirname "$(realpath "$0")")
for tool in wine wineserver wineboot x86_64-w64-mingw32-gcc xorriso Xvfb; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed" && exit 77; }
done
# shellcheck source=lib.sh source-path=SCRIPTDIR
source "$here/lib.sh" "$1" "$2"

prefix=$work/prefix
mkdir "$work/tmp"
export TMPDIR=$work/tmp WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    XDG_CACHE_HOME=$work/cache
wine_cleanup() {
    if [ -d "$prefix" ]; then
        wineserver -k 2>/dev/null || true
    fi
    e2e_cleanup
}
trap wine_cleanup EXIT

"$here/wine/make_cd.sh" "$work/cd"
xorriso -abort_on FAILURE -outdev "$work/tiny.iso" -volid TINY_0398 -joliet on -map "$work/cd" / \
    >/dev/null 2>&1
x86_64-w64-mingw32-gcc -std=c99 -O2 -Wall -Wextra -Werror -s -o "$work/volume_info.exe" \
    "$here/wine/volume_info.c"
wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w

start_display
QT_QPA_PLATFORM=xcb "$e2e_program" "$work/tiny.iso" --machine "$prefix" --cd-drive D \
    --program-path 'D:\TAVOX95.EXE' --opener true --snapshot "$work/menu.png" 2>>"$work/menu.log"
disc=$(readlink "$prefix/dosdevices/d:")
expect "drive D: is the unpacked image" "$(basename "$disc" | cut -c1-10)" TINY_0398-
# Wine's server reads the drives' labels when it starts.
wineserver -k 2>/dev/null || true
wineserver -w
seen=$(wine "$work/volume_info.exe" 'D:\' | tr -d '\r')
expect "a Windows program sees the image's label and serial on a CD-ROM drive" "$seen" \
    "type 5 label TINY_0398 serial $(cat "$disc/.windows-serial")"

e2e_result
