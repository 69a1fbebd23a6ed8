#!/usr/bin/env bash
# The shelf from a terminal without a display: `tavox95 --list FOLDER` prints one line per disc of a folder
# of the sample CD's images in several shapes (sorted by issue, a year below 95 in the 2000s), and
# `tavox95 --search WORDS FOLDER` one line per item across them, marked as the Installed page would. A file
# that is no disc is told apart; an empty folder prints nothing, a missing one ends with status 2.
# Usage: shelf_terminal_test.sh TAVOX95 SAMPLE_CD BUILD_DIR
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"

command -v xorriso >/dev/null || { echo "xorriso is not installed" && exit 77; }
unset DISPLAY WAYLAND_DISPLAY
export XDG_CACHE_HOME="$work/cache"
shelf="$work/shelf"

issue_tree() { # issue: a copy of the sample CD as that issue
    local tree="$work/tree-$1"
    cp -r "$e2e_cd" "$tree"
    chmod -R u+w "$tree"
    sed -i "s/^CD=1298/CD=$1/" "$tree/TAVOX/TAVOX95.INI"
    echo "$tree"
}
iso() { # issue image
    mkdir -p "$(dirname "$2")"
    xorriso -abort_on FAILURE -outdev "$2" -volid "TAVOX_$1" -joliet on -map "$(issue_tree "$1")" / \
        >/dev/null 2>&1
}
iso 1298 "$shelf/1998/TAVOX1298.ISO"
iso 0100 "$shelf/2000/q1/tavox-2000-01.iso"
mkdir -p "$shelf/1999"
mv "$(issue_tree 0399)" "$shelf/1999/copied disc"
echo "no disc at all" >"$shelf/broken.iso"

items=27 # 14 demos, 3 shareware, 4 updates, 3 readers' items, 3 hotshots
tab=$'\t'
expect "every disc, by issue" "$("$e2e_program" --list "$shelf" 2>"$work/list.err")" \
    "12-98${tab}1998-12${tab}$items${tab}$shelf/1998/TAVOX1298.ISO
3-99${tab}1999-03${tab}$items${tab}$shelf/1999/copied disc
1-00${tab}2000-01${tab}$items${tab}$shelf/2000/q1/tavox-2000-01.iso"
expect "the file that is no disc is told apart" "$(grep -c "^$shelf/broken.iso: " "$work/list.err")" 1

# An item recorded by the 12/98 disc's menu, still installed on the machine.
machine="$work/machine"
mkdir -p "$machine/drive_c/WINDOWS" "$machine/drive_c/GAMES/ZUBR" "$machine/dosdevices"
ln -s ../drive_c "$machine/dosdevices/c:"
touch "$machine/drive_c/GAMES/ZUBR/ZUBR.EXE"
printf '[CD1298]\r\nZUBR=C:\\GAMES\\ZUBR\r\nZUBR_=ZUBR.EXE,,\r\n' >"$machine/drive_c/WINDOWS/tavox.ini"
search() { "$e2e_program" --search "$1" "$shelf" --machine "$machine" 2>/dev/null; }
expect "an item found on every disc, installed where recorded" "$(search "bizon zubr")" \
    "12-98${tab}Demos${tab}ZUBR${tab}installed${tab}$shelf/1998/TAVOX1298.ISO
3-99${tab}Demos${tab}ZUBR${tab}not installed${tab}$shelf/1999/copied disc
1-00${tab}Demos${tab}ZUBR${tab}not installed${tab}$shelf/2000/q1/tavox-2000-01.iso"
expect "accents aside, shown as the menu shows it" "$(search "HVEZDAR" | head -n 1)" \
    "12-98${tab}Shareware${tab}Hvězdář 2.0${tab}not installed${tab}$shelf/1998/TAVOX1298.ISO"
expect "the name as the list shows it" "$(search "mlok spol" | head -n 1 | cut -f 3)" "MLOK & SPOL."
expect "no item holds every word" "$(search "zubr hvezdar")" ""

touch -d '2001-01-01' "$shelf/1998/TAVOX1298.ISO"
expect "a touched image is read again" "$(search "bizon" | wc -l)" 3

mkdir "$work/empty"
status=0
output=$("$e2e_program" --list "$work/empty") || status=$?
expect "an empty folder prints nothing" "$output/$status" "/0"
status=0
"$e2e_program" --search zubr "$work/missing" 2>/dev/null || status=$?
expect "a missing folder" "$status" 2

exit "$failures"
