#!/usr/bin/env bash
# Starts that nobody watches (--snapshot, as scripts and the README's picture use it) never wait for a
# click: each message box is written to standard error with its caption, a box after which the menu ends
# makes it end with status 1, and an information box counts as read. The entry rule comes before the disc,
# so a start it refuses unpacks, caches and maps nothing. A copy of the menu on drive C: looks for its CD in
# the machine's drives instead of asking for one.
# Usage: unattended_start_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"

command -v xorriso >/dev/null || { echo "SKIPPED: xorriso is not installed" && exit 77; }
export QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME=$work/cache

# Starts the menu on a machine of the work directory and prints its exit status (124: it waited and was
# ended). Its standard error is kept in NAME.err, its picture in NAME.png.
start() { # name machine arguments...
    local name=$1 machine=$2 status=0
    shift 2
    mkdir -p "$work/$machine/drive_c/windows"
    printf '[Main]\r\nLanguage2=1\r\n' >>"$work/$machine/drive_c/windows/tavox.ini"
    timeout "$e2e_timeout_s" "$e2e_program" "$@" --machine "$work/$machine" --runner "" --opener true \
        --snapshot "$work/$name.png" 2>"$work/$name.err" || status=$?
    echo "$status"
}
told() { # name caption: the text of the first line that the start wrote with that caption
    sed -n "s/^$2: //p" "$work/$1.err" | head -n 1
}
picture() { # name
    [ -s "$work/$1.png" ] && echo taken || echo none
}

xorriso -abort_on FAILURE -outdev "$work/tavox.iso" -volid TAVOX_9812 -joliet on -map "$e2e_cd" / \
    >/dev/null 2>&1

expect "a start without A ends with status 1" "$(start refused refused X --cd "$work/tavox.iso")" 1
expect "its message is written" "$(told refused 'TAVOX CD')" "Please, run TAVOX.EXE!"
expect "nothing was unpacked for it" "$(find "$work/cache" -mindepth 1 2>/dev/null | wc -l)" 0
expect "no drive was mapped for it" "$(find "$work/refused/dosdevices" -name 'd:' | wc -l)" 0

cp "$work/tavox.iso" "$work/truncated.iso"
truncate -s 64K "$work/truncated.iso"
expect "a broken image ends with status 1" "$(start broken broken A "$work/truncated.iso")" 1
expect "its message names the image" "$(told broken 'TAVOX CD' | grep -c truncated.iso)" 1

mkdir -p "$work/empty/TAVOX"
expect "a disc without the catalogue ends with status 1" "$(start empty empty A --cd "$work/empty")" 1
expect "its message is written" "$(told empty Error)" "Where is my TAVOX95.INI?????"
expect "and no picture is taken" "$(picture empty)" none

expect "the low-colour advice does not stop a start" "$(start low low A --cd "$e2e_cd" --depth 8)" 0
expect "it is written as information" "$(told low Information | wc -l)" 1
expect "the picture is taken" "$(picture low)" taken

# The copy on the hard disk: an earlier start left the CD in drive E:, which this one finds.
expect "a start from the CD maps it" "$(start mapped disk A --cd "$e2e_cd" --cd-drive E)" 0
expect "the copy on drive C: finds the CD" \
    "$(start copy disk --program-path 'C:\TAVOXCD\TAVOX95.EXE')" 0
expect "and shows the menu" "$(picture copy)" taken
expect "the copy without a CD in any drive ends with status 1" \
    "$(start no-cd no-cd --program-path 'C:\TAVOXCD\TAVOX95.EXE')" 1
expect "its message is written" "$(told no-cd Error)" "There is no TAVOX CD in any drive..."

e2e_result
