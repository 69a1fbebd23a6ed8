#!/usr/bin/env bash
# The sample CD's own Windows programs under real Wine, driven by the keyboard as a reader does. Operace
# Mořská hvězda, the eighth demo, has a setup that the menu waits for: it copies the game from the CD,
# records its directory in its own profile file in the Windows directory and registers its uninstaller.
# The menu finds the game through that profile file, offers Run and records it; the game opens its window;
# its uninstaller takes away the files, the profile file and the uninstall entry, and the menu offers the
# install again and forgets the game. Then every other setup of a game that the menu finds at its start runs
# by itself under Wine, as a reader might have run it from the CD: the menu's next start records each game
# where its detection rule looks, and once the uninstallers ran, none.
# Usage: sample_wine_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# Exits with 77 when Wine is not installed or the sample CD was written without MinGW.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
for tool in wine wineserver wineboot Xvfb xdotool convert; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed" && exit 77; }
done
[ "$(head -c 2 "$2/DEMOS/MORSKA/SETUP.EXE")" = MZ ] ||
    { echo "SKIPPED: the sample CD carries stand-ins (built without MinGW)" && exit 77; }
# shellcheck source=lib.sh source-path=SCRIPTDIR
source "$here/lib.sh" "$1" "$2" "${3:-}"

prefix=$work/machine
c=$prefix/drive_c
settings=$c/windows/tavox.ini
game_dir=$c/HRY/MORSKA
uninstall_key='Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morska hvezda'
# Debian's Wine keeps its server directory under TMPDIR; Mono and Gecko would ask to be downloaded. Wine
# links the prefix's desktop to the home directory, which is the test's own.
mkdir "$work/tmp" "$work/home"
export TMPDIR=$work/tmp HOME=$work/home WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_cleanup() {
    if [ -d "$prefix" ]; then
        wineserver -k 2>/dev/null || true
    fi
    e2e_cleanup
}
trap wine_cleanup EXIT

# The menu lays out its own machine; the first Windows program it starts makes that a Wine prefix too.
mkdir -p "$c/windows"
printf '[Main]\r\nLanguage2=0\r\n' >"$settings"

# A command label is shown when its caption lights the inside of its place (the cursor frame lies outside).
commands() { # which of Run, Install, Uninstall are shown
    echo "Run $(has_light 258 267 37 9) Install $(has_light 258 298 55 9) Uninstall $(has_light 258 314 73 9)"
}
settings_keys() { # the item's keys in the issue's section, in UTF-8
    tr -d '\r' <"$settings" | iconv -f CP1250 -t UTF-8 | sed -n '/^\[CD1298\]$/,/^\[/p' | grep -i '^operace' |
        cut -d= -f1 | tr '\n' ' ' || true
}
registry_has() { # key: whether Wine's system registry holds it
    grep -qiF "[$1]" "$prefix/system.reg" && echo yes || echo no
}
game_window() { xdotool search --onlyvisible --name '^MORSKA$' 2>/dev/null | head -n 1; }
has_game_window() { [ -n "$(game_window)" ] && echo yes || echo no; }
# Wine's programs may take the focus while they run; the keys are for the menu.
press() { # key
    focus_menu
    key "$1"
}

e2e_engines=real
start_display
# Wine's drive Z: (the whole host) would otherwise claim the menu's program file.
start_menu --cd-drive D --program-path 'D:\TAVOX95.EXE'
await "the demos page is ready" "srgb(192,192,192)" list_border

# The eighth demo: before the install only Install is offered; to the commands, where the cursor starts on
# Install, and Enter.
key Home
for _ in 2 3 4 5 6 7 8; do
    key Down
done
await "before the install only Install is offered" "Run no Install yes Uninstall no" commands
key Right Return
await "the menu detects the installed game and offers Run and Uninstall" "Run yes Install no Uninstall yes" \
    commands
expect "the setup copied the game from the CD" "$(state "$game_dir/MORSKA.EXE")" present
expect "the setup recorded its directory in its profile file" \
    "$(tr -d '\r' <"$c/windows/MORSKA.INI" | grep '^InstallPath=')" 'InstallPath=C:\HRY\MORSKA'
wineserver -w
expect "the setup registered its uninstaller" "$(registry_has "$uninstall_key")" yes
expect "Wine kept the menu's one Windows folder" \
    "$(find "$c" -mindepth 1 -maxdepth 1 -iname windows | wc -l)" 1
expect "the settings file records the game" "$(settings_keys)" \
    "Operace Mořská hvězda Operace Mořská hvězda_ Operace Mořská hvězda__ "

# After the install the cursor is on Run.
press Return
await "the game opens its window" yes has_game_window
xdotool windowfocus --sync "$(game_window)"
key space
await "a key ends the game" no has_game_window

# Below Run: Readme, then Uninstall.
press Down
press Down
press Return
await "after the uninstall only Install is offered again" "Run no Install yes Uninstall no" commands
expect "the uninstaller removed the game's directory" "$(state "$c/HRY")" gone
expect "the uninstaller removed the profile file" "$(state "$c/windows/MORSKA.INI")" gone
wineserver -w
expect "the uninstaller removed its registry entry" "$(registry_has "$uninstall_key")" no
kill "$menu_pid"
wait "$menu_pid" 2>/dev/null || true
menu_pid=""

# Each game's name in the settings file, its setup, and the uninstaller with its argument that the game
# registers or the catalogue names.
games=(
    'BUBLINKOV|D:\DEMOS\BUBLIN\SETUP.EXE|C:\Program Files\Bublinkov\UNINST.EXE'
    'VORTEX RALLY|D:\DEMOS\VORTEX\SETUP.EXE|C:\HRY\VORTEX\UNINST.EXE'
    'DRAVEC|D:\DEMOS\DRAVEC\INSTALL.EXE|D:\DEMOS\DRAVEC\UNINST.EXE'
    'ŠíLENý JEřáB|D:\DEMOS\JERAB\SETUP.EXE|C:\HRY\JERAB\UNWISE.EXE'
    'KOUZELNý LES|D:\DEMOS\LES\SETUP.EXE|C:\HORAL\LES\SETUP.EXE|/U'
    'OHNIVáK|D:\DEMOS\OHNIVAK\SETUP.EXE|C:\HRY\OHNIVAK\UNINSTAL.EXE'
    'Hadí souboj|D:\Readers\HADI\SETUP.EXE|C:\HRY\HADI\UNWISE.EXE'
)
recorded_games() { # the games of the issue's section, one line
    tr -d '\r' <"$settings" | iconv -f CP1250 -t UTF-8 | sed -n '/^\[CD1298\]$/,/^\[/p' |
        grep -v -e '^\[' -e '_=' -e '^$' | cut -d= -f1 | sort | tr '\n' '|' || true
}
menu_start() { # the menu's start detects every item afresh
    QT_QPA_PLATFORM=xcb "$e2e_program" A --machine "$prefix" --cd "$e2e_cd" --cd-drive D \
        --program-path 'D:\TAVOX95.EXE' --opener true --snapshot "$work/snapshot.png" 2>>"$work/menu.log"
}
run_each() { # setups or uninstallers: runs that program of every game under Wine
    local game name setup uninstaller argument
    for game in "${games[@]}"; do
        IFS='|' read -r name setup uninstaller argument <<<"$game"
        if [ "$1" = setups ]; then
            wine "$setup" >>"$work/programs.log" 2>&1 || expect "the setup of $name ends well" "exit $?" "exit 0"
        else
            wine "$uninstaller" ${argument:+"$argument"} >>"$work/programs.log" 2>&1 ||
                expect "the uninstaller of $name ends well" "exit $?" "exit 0"
        fi
    done
    wineserver -w
}
expected=$(printf '%s\n' "${games[@]}" | cut -d'|' -f1 | sort | tr '\n' '|')

run_each setups
menu_start
expect "the menu's next start forgot the uninstalled game" "$(settings_keys)" ""
expect "the menu's start finds every game that a setup installed" "$(recorded_games)" "$expected"
run_each uninstallers
menu_start
expect "the menu's start finds none once the uninstallers ran" "$(recorded_games)" ""

e2e_result
