#!/usr/bin/env bash
# The DOS game of the sample CD on the real engine: its batch install runs in DOSBox, where the installer
# asks for a directory by keyboard; WRITEINI.EXE records it, the menu offers Run, and the game, started from
# the menu in DOSBox too, leaves its mark in its directory. The CD is an image of the sample CD on which the
# game's readme has a long Joliet name beside its ISO 9660 name ZUBR.TXT: DOSBox mounts the image itself, so
# the installer copies the readme by the name DOS saw.
# Usage: dos_engine_test.sh TAVOX95 SAMPLE_CD BUILD_DIR
source "$(dirname "$(realpath "$0")")/lib.sh"

command -v dosbox >/dev/null || { echo "DOSBox is not installed"; exit 77; }
command -v xorriso >/dev/null || { echo "xorriso is not installed"; exit 77; }
e2e_engines=real
# DOSBox's sound goes nowhere, and its window to the private X server.
export SDL_AUDIODRIVER=dummy

c=$work/machine/drive_c
content() { # file: its text without CRs, empty while there is none
    { tr -d '\r' <"$1"; } 2>/dev/null || true
}
dosbox_window() { # the window DOSBox opened, or nothing
    xdotool search --onlyvisible --name '^DOSBox' 2>/dev/null | head -n 1
}
has_dosbox() { [ -n "$(dosbox_window)" ] && echo yes || echo no; }

export XDG_CACHE_HOME=$work/cache
readme=/DEMOS/ZUBR/DATA/ZUBR.TXT
joliet_readme="/DEMOS/ZUBR/DATA/Zubr - read me first.txt"
xorriso -abort_on FAILURE -outdev "$work/tavox.iso" -volid TAVOX_9812 -joliet on -rockridge off \
    -map "$e2e_cd" / -map "$e2e_cd$readme" "$joliet_readme" \
    -hide joliet "$readme" -- -hide iso_rr "$joliet_readme" -- >/dev/null 2>&1
e2e_disc=$work/tavox.iso # what the menu is started with; e2e_cd stays the tree

start_display
choose_language 1
start_menu
await "the demos page is ready" "srgb(192,192,192)" list_border

# Zubr, the second demo: Install.
press_install 2
await "DOSBox opens for the installer" yes has_dosbox
# The installer asks where to go; Enter takes the directory it offers.
xdotool windowfocus --sync "$(dosbox_window)"
installer_runs() { # DOSBox names the program it runs in its title
    grep -qa 'INSTALL' <<<"$(xdotool getwindowname "$(dosbox_window)" 2>/dev/null)" && echo yes || echo no
}
await "the installer runs" yes installer_runs
key Return
await "DOSBox ends with the batch" no has_dosbox
await "WRITEINI.EXE recorded the directory" 'C:\ZUBR' recorded ZUBR
expect "the game is in drive_c" "$(state "$c/ZUBR/ZUBR.EXE")" present
expect "its readme too" "$(state "$c/ZUBR/ZUBR.TXT")" present
expect "the saved games directory is made" "$(state "$c/ZUBRSAVE/SLOT1.SAV")" present
expect "the installer's note for WRITEINI.EXE is gone" "$(state "$c/windows/TAVOXDIR.TMP")" gone
await "the batch files are gone" gone state "$c/windows/TEMP/INSTALL.BAT"
expect "INSTALL.PIF is gone" "$(state "$c/windows/TEMP/INSTALL.PIF")" gone
focus_menu
await "Run is offered for Zubr" yes run_offered

# Run: the game runs in DOSBox from its directory and writes where it was played.
key Return
await "the game ran in its directory" 'Zubr was played in C:\ZUBR' content "$c/ZUBR/PLAYED.TXT"
await "DOSBox ends with the game" no has_dosbox
# The image has no Rock Ridge, so the sample's stand-in DirectX setup, a host script, lost its execute bit.
expect "nothing was left to the stand-in runner" \
    "$(grep 'cannot start' "$menu_log" | grep -vc 'DirectX\\dx5eng.exe' || true)" 0

e2e_result
