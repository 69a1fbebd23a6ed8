#!/usr/bin/env bash
# A 32-bit Windows setup on a machine whose Wine has no 32-bit half: installing the item shows a message that
# names the program and the missing package, starts nothing and records nothing, and the menu goes on.
# Usage: wine32_missing_test.sh TAVOX95 SAMPLE_CD BUILD_DIR
source "$(dirname "$(realpath "$0")")/lib.sh"

pe32=$e2e_dir/../../../shared/fixtures/windows-programs/pe32-console.exe
[ -f "$pe32" ] || { echo "no fixture at $pe32"; exit 77; }
command -v wine >/dev/null || { echo "Wine is not installed"; exit 77; }
for libraries in /usr/lib/i386-linux-gnu/wine/i386-unix /usr/lib/wine/i386-unix /opt/wine*/lib/wine/i386-unix; do
    [ ! -e "$libraries/ntdll.so" ] || { echo "this Wine has its 32-bit half"; exit 77; }
done
e2e_engines=real

# The sample CD with Vortex Rally's setup (the sixth demo, waited for) replaced by the real 32-bit program.
cp -r "$e2e_cd" "$work/cd"
chmod -R u+w "$work/cd"
cp "$pe32" "$work/cd/DEMOS/VORTEX/SETUP.EXE"
chmod -x "$work/cd/DEMOS/VORTEX/SETUP.EXE"
e2e_cd=$work/cd

settings=$work/machine/drive_c/windows/tavox.ini
other_window() { # a window of the menu besides its own, or "none"
    local window
    for window in $(xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null); do
        [ "$window" != "$menu_window" ] && echo "$window" && return
    done
    echo none
}
message_up() { [ "$(other_window)" != none ] && echo yes || echo no; }
children() { pgrep -P "$menu_pid" | wc -l; }

start_display
choose_language 1
start_menu
await "the demos page is ready" "srgb(192,192,192)" list_border

press_install 6
await "a message is shown" yes message_up
expect "the reason is logged with the command line" \
    "$(grep -c 'cannot start D:\\DEMOS\\VORTEX\\SETUP.EXE: no engine for this kind of program (a 32-bit Windows program; missing: 32-bit Wine, package wine32)' "$menu_log")" 1
expect "nothing was started" "$(children)" 0
expect "nothing was recorded" "$(grep -aci '^VORTEX RALLY' "$settings" || true)" 0
xdotool windowfocus --sync "$(other_window)"
key Return
await "the message is closed" no message_up
expect "the menu goes on" "$(menu_alive && echo running)" running

e2e_result
