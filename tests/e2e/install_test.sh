#!/usr/bin/env bash
# Installing by keyboard in the real program, with the sample runner standing in for Wine: an archive
# unpacked into the suggested directory, an archive forced into its own directory,
# setups the menu waits for and one it does not wait for. After each, the menu detects the item as installed
# and has recorded it.
# Usage: install_test.sh TAVOX95 SAMPLE_CD BUILD_DIR
source "$(dirname "$(realpath "$0")")/lib.sh"

e2e_runner=$(realpath "$e2e_dir/../../tools/sample-runner/sample-runner")
c=$work/machine/drive_c

has_chooser() { [ "$(window_at 323 199)" != none ] && echo yes || echo no; }

start_display
choose_language 1
start_menu
await "the demos page is ready" "srgb(192,192,192)" list_border

# Zubr, the DOS batch install, runs in DOSBox: dos_engine_test.sh.

# Mlok & Spol.: the chooser suggests C:\MLOK; OK, Yes, the archive unpacks and its setup runs.
press_install 3
await "the directory chooser opens" yes has_chooser
focus_window 323 199
key Return
answer_yes
await "the archive install is recorded" 'C:\MLOK' recorded "MLOK && SPOL."
focus_menu
expect "the archive's last level is unpacked" "$(state "$c/MLOK/DATA/LEVEL08.DAT")" present
expect "the game is unpacked" "$(state "$c/MLOK/MLOK.EXE")" present
await "Run is offered for Mlok" yes run_offered
key Left

# Hradby: the directory is forced; the chooser asks at once.
press_install 4
answer_yes
await "the forced install is recorded" 'C:\HRADBY' recorded HRADBY
focus_menu
expect "the game is in its own directory" "$(state "$c/HRADBY/HRADBY.EXE")" present
await "Run is offered for Hradby" yes run_offered
key Left

# Vortex Rally: its setup is waited for, and the menu finds the game where the setup put it.
press_install 6
await "the waited-for install is recorded" 'C:\HRY\VORTEX' recorded "VORTEX RALLY"
await "Run is offered for Vortex Rally" yes run_offered
expect "the game is installed" "$(state "$c/HRY/VORTEX")" present
key Left

# Kouzelny les and Ohnivak: setups that are waited for, one of them with an installer that also removes.
press_install 11
await "the self-removing installer's game is recorded" 'C:\HORAL\LES' recorded $'KOUZELN\xfd LES'
await "Run is offered for Kouzelny les" yes run_offered
key Left
press_install 12
await "Ohnivak is recorded" 'C:\HRY\OHNIVAK' recorded $'OHNIV\xe1K'
await "Run is offered for Ohnivak" yes run_offered
key Left

# Bublinkov, last: the menu does not wait for its setup; the install watch notices the game a little later
# and selects it, wherever the keyboard was.
press_install 5
await "the watch finds the game the setup put away" 'C:\Program Files\Bublinkov' recorded BUBLINKOV
await "Run is offered for Bublinkov" yes run_offered
expect "the game is where its setup put it" "$(state "$c/Program Files/Bublinkov")" present

e2e_result
