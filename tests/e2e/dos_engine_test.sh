#!/usr/bin/env bash
# The DOS game of the sample CD on the real engine: its batch install runs in DOSBox, where the installer
# asks for a directory by keyboard; WRITEINI.EXE records it, the menu offers Run, and the game, started from
# the menu in DOSBox too, leaves its mark in its directory.
# Usage: dos_engine_test.sh TAVOX95 SAMPLE_CD BUILD_DIR
source "$(dirname "$(realpath "$0")")/lib.sh"

command -v dosbox >/dev/null || { echo "DOSBox is not installed"; exit 77; }
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
expect "nothing was left to the stand-in runner" "$(grep -c 'cannot start' "$menu_log" || true)" 0

e2e_result
