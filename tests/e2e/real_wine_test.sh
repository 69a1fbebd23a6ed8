#!/usr/bin/env bash
# A real Windows setup under real Wine, installed and removed through the menu. A one-demo CD carries a tiny
# game whose setup (built with MinGW) copies it to "C:\Program Files\Tiny" and registers an uninstall entry;
# the menu runs on a fresh Wine prefix as its machine and finds Wine itself. Driven by the keyboard, the
# menu installs the demo, detects it from the registry that Wine's server wrote, offers Run and Uninstall
# and records it in the settings file; then it runs the demo's uninstaller, which removes the files and
# its registry entry, and its own script removes the settings the game left. A later start forgets the demo.
# Usage: real_wine_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# Exits with 77 when Wine or MinGW is not installed (scripts/setup installs them).
set -euo pipefail
here=$(dirname "$(realpath "$0")")
for tool in wine wineserver wineboot x86_64-w64-mingw32-gcc Xvfb xdotool convert; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed" && exit 77; }
done
# shellcheck source=lib.sh source-path=SCRIPTDIR
source "$here/lib.sh" "$1" "$2"

cd_dir=$work/cd
prefix=$work/prefix
settings=$prefix/drive_c/windows/tavox.ini
game_dir="$prefix/drive_c/Program Files/Tiny"
uninstall_key='Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tiny'
# Debian's Wine keeps its server directory under TMPDIR; Mono and Gecko would ask to be downloaded.
mkdir "$work/tmp"
export TMPDIR=$work/tmp WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's first start creates the prefix and a server that outlives this script unless it is ended.
wine_cleanup() {
    if [ -d "$prefix" ]; then
        wineserver -k 2>/dev/null || true
    fi
    e2e_cleanup
}
trap wine_cleanup EXIT

seconds_since() { # start (from $EPOCHREALTIME): elapsed seconds, one decimal
    awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }'
}

started=$EPOCHREALTIME
"$here/wine/make_cd.sh" "$cd_dir"
echo "measured: CD with the MinGW programs built in $(seconds_since "$started") s"

started=$EPOCHREALTIME
wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w
echo "measured: new Wine prefix in $(seconds_since "$started") s"
# An English reader who chose the language before.
printf '[Main]\r\nLanguage2=0\r\n' >"$settings"

start_display
# The menu is started from the CD; Wine's drive Z: (the whole host) would otherwise claim its program file.
QT_QPA_PLATFORM=xcb "$e2e_program" A --machine "$prefix" --cd "$cd_dir" --cd-drive D \
    --program-path 'D:\TAVOX95.EXE' --opener true 2>>"$work/menu.log" &
menu_pid=$!
menu_window() {
    local window
    for window in $(xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null); do
        if xdotool getwindowgeometry --shell "$window" | grep -qx 'WIDTH=640'; then
            echo "$window"
            return
        fi
    done
    echo none
}
await_change "the menu's window appears" none menu_window
window=$last
eval "$(xdotool getwindowgeometry --shell "$window" | grep '^[XY]=')"
ox=$X
oy=$Y
# Wine's programs may take the focus while they run; the keys are for the menu.
press() { # key
    xdotool windowfocus --sync "$window"
    key "$1"
}

# A command label is shown when its caption lights the inside of its place (the cursor frame lies outside).
command_label() { # x y width: shown or hidden
    window_shot "$work/label.png"
    local lit
    lit=$(convert "$work/label.png" -crop "$(($3 - 4))x9+$(($1 + 2))+$(($2 + 2))" +repage -colorspace Gray \
        -threshold 60% -format "%[fx:round(mean*w*h)]" info:)
    [ "$lit" -gt 10 ] && echo shown || echo hidden
}
commands() { # which of Run, Install, Uninstall are shown
    echo "Run $(command_label 256 265 41) Install $(command_label 256 296 59)" \
        "Uninstall $(command_label 256 312 77)"
}
settings_keys() { # the demo's keys in the issue's section, without CRs
    tr -d '\r' <"$settings" | sed -n '/^\[CD0398\]$/,/^\[/p' | grep '^TINY' || true
}
registry_has() { # file key: whether Wine's registry file holds the key or a subkey of it
    grep -qiF -e "[$2]" -e "[$2\\\\" "$prefix/$1" && echo yes || echo no
}

await "before the install only Install is offered" "Run hidden Install shown Uninstall hidden" commands

# From the list to the command labels, where the cursor starts on Install; Enter installs.
started=$EPOCHREALTIME
press Right
press Return
await "the menu detects the installed demo and offers Run and Uninstall" \
    "Run shown Install hidden Uninstall shown" commands
echo "measured: install through the menu in $(seconds_since "$started") s"
expect "the setup copied the game" "$([ -f "$game_dir/TINY.EXE" ] && echo yes || echo no)" yes
expect "Wine's server wrote the uninstall entry" "$(registry_has system.reg "$uninstall_key")" yes
expect "Wine's server wrote the game's settings" "$(registry_has user.reg 'Software\\Tiny Soft')" yes
expect "the settings file records the demo from the registry" "$(settings_keys)" \
    "$(printf '%s\n' 'TINY=C:\Program Files\Tiny' 'TINY_=TINY.EXE,Tiny,RUDSoftware\Tiny Soft' \
        'TINY__=C:\windows\TINYUNIN.EXE -f"C:\Program Files\Tiny\UNINST.LOG"')"

# After the install the cursor is on Run; the next shown command below it is Uninstall.
started=$EPOCHREALTIME
press Down
press Return
await "after the uninstall only Install is offered again" "Run hidden Install shown Uninstall hidden" commands
echo "measured: uninstall through the menu in $(seconds_since "$started") s"
expect "the uninstaller removed the game's directory" "$([ -e "$game_dir" ] && echo yes || echo no)" no
expect "the uninstaller removed its registry entry" "$(registry_has system.reg "$uninstall_key")" no
# The script runs after the commands were redrawn.
await "the menu's script removed the game's settings" no registry_has user.reg 'Software\\Tiny Soft'
# Wine still reads the registry that the menu rewrote.
expect "Wine reads the user's registry after the menu's change" \
    "$(wine reg query 'HKCU\Environment' >/dev/null 2>&1 && echo yes || echo no)" yes
wineserver -w

kill "$menu_pid"
wait "$menu_pid" 2>/dev/null || true
menu_pid=""
# The next start detects the demo afresh and forgets it.
QT_QPA_PLATFORM=xcb "$e2e_program" A --machine "$prefix" --cd "$cd_dir" --cd-drive D \
    --program-path 'D:\TAVOX95.EXE' --opener true --snapshot "$work/again.png" 2>>"$work/menu.log"
expect "a new start removes the demo from the settings file" "$(settings_keys)" ""

e2e_result
