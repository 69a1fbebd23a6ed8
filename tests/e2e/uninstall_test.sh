#!/usr/bin/env bash
# Uninstalling by keyboard in the real program. Vortex Rally is put on the machine by its own stand-in
# installer, as if the reader had installed it earlier; the menu finds it at its next start, and the reader
# removes it from the Installed page. Its uninstaller runs, the catalogue's list cleans up what that left
# behind (files all over drive C:, shortcuts, a program group), and the menu forgets the item.
# Usage: uninstall_test.sh TAVOX95 SAMPLE_CD BUILD_DIR
source "$(dirname "$(realpath "$0")")/lib.sh"

reg_tool=$3/tools/tavox-reg
machine=$work/machine
c=$machine/drive_c
windows=$c/windows
grpconv='HKCU\Software\Microsoft\Windows\CurrentVersion\GrpConv'

registry_state() { # key [value]: "present" or "gone"
    if [ $# -eq 2 ]; then
        "$reg_tool" --machine "$machine" query "$1" /v "$2" >/dev/null 2>&1 && echo present || echo gone
    else
        "$reg_tool" --machine "$machine" query "$1" >/dev/null 2>&1 && echo present || echo gone
    fi
}
recorded_keys() { # the settings file's keys for the item
    grep -a '^VORTEX RALLY' "$windows/tavox.ini" | cut -d= -f1 | tr '\n' ' '
}
list_border() { probe 20 72; }

start_display
choose_language 1
start_menu
await "the menu made its machine" present state "$machine/dosdevices/c:"
kill "$menu_pid"
wait "$menu_pid" 2>/dev/null || true
menu_pid=""

WINEPREFIX=$machine "$e2e_cd/DEMOS/VORTEX/SETUP.EXE" >>"$work/installer.log" 2>&1 ||
    { echo "FAILED: the stand-in installer"; cat "$work/installer.log"; exit 1; }
expect "the installer left a program group" "$(registry_state "$grpconv\\MapGroups" "Vortex Rally")" present

start_menu
await "the demos page is ready" "srgb(192,192,192)" list_border
expect "the menu recorded the game" "$(recorded_keys)" "VORTEX RALLY VORTEX RALLY_ VORTEX RALLY__ "

# To the page bar, down its nine Czech sections to Installed, into the list, to the commands, from Run to
# Uninstall, and press it.
# One section at a time: on a busy machine a Down that comes while the last page still opens goes to the
# same section again. The ninth button has no lit look; the light leaves the eighth.
key Left
for n in 2 3 4 5 6 7 8; do
    key Down
    await "Down lights section $n" lit section_state "$n"
done
key Down
await "Down leaves section 8" unlit section_state 8
key Right Right Down Return

await "the catalogue's list ran to its end" gone state "$windows/VORTEX.GRP"
expect "the game's directory is gone" "$(state "$c/HRY")" gone
for file in "$c/VORTEX.CFG" "$windows/VORTEX.INI" "$windows/VORTEXC.INI" "$windows/VORTEXL.INI" \
    "$windows/SYSTEM/VORTEX.DLL" "$windows/Desktop/Vortex.lnk" "$windows/Start Menu/Programs/Vortex"; do
    expect "gone: ${file#"$c"/}" "$(state "$file")" gone
done
expect "the uninstall entry is gone" \
    "$(registry_state 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vortex Rally')" gone
expect "the program group is unregistered" "$(registry_state "$grpconv\\MapGroups" "Vortex Rally")" gone
expect "the menu forgot the game" "$(recorded_keys)" ""
expect "the menu still runs" "$(kill -0 "$menu_pid" 2>/dev/null && echo running)" running

e2e_result
