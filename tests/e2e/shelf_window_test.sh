#!/usr/bin/env bash
# The shelf window on a folder of two issues of the sample CD: typing searches both, Enter starts the menu on
# the chosen issue with the item selected, the menu's Exit brings the shelf back, and Escape twice closes it.
# A later start without a disc opens the same shelf.
# Usage: shelf_window_test.sh TAVOX95 SAMPLE_CD BUILD_DIR
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"

export XDG_CACHE_HOME="$work/cache"
shelf="$work/shelf"
mkdir -p "$shelf"
for disc in 1298:a 0399:b; do
    cp -r "$e2e_cd" "$shelf/${disc#*:}"
    chmod -R u+w "$shelf/${disc#*:}"
    sed -i "s/^CD=1298/CD=${disc%:*}/" "$shelf/${disc#*:}/TAVOX/TAVOX95.INI"
done
choose_language 0
start_display

QT_QPA_PLATFORM=xcb "$e2e_program" "$shelf" --machine "$work/machine" --runner "" --opener true \
    2>>"$work/menu.log" &
menu_pid=$!
shelf_window() { # the shelf's visible window, or nothing
    xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null | head -n 1
}
shown() { [ -n "$(shelf_window)" ] && echo yes || echo no; }
await "the shelf opens" yes shown
xdotool windowfocus --sync "$(shelf_window)"
xdotool type --delay 30 "hradby"
key Down Down Return # the demo of the second issue

menu_child() { pgrep -P "$menu_pid" | head -n 1; }
child_window() {
    local child
    child=$(menu_child)
    [ -n "$child" ] && xdotool search --onlyvisible --pid "$child" 2>/dev/null | head -n 1
}
menu_shown() { [ -n "$(child_window)" ] && [ -z "$(shelf_window)" ] && echo yes || echo no; }
await "the menu replaces the shelf" yes menu_shown
expect "the menu is on the second issue's disc, on its Hradby demo" \
    "$(tr '\0' ' ' <"/proc/$(menu_child)/cmdline" | grep -c -- "$shelf/b --select Demos:4 ")" 1

eval "$(xdotool getwindowgeometry --shell "$(child_window)")"
xdotool mousemove $((X + 610)) $((Y + 460)) click 1 # Exit
back() { [ -z "$(menu_child)" ] && [ -n "$(shelf_window)" ] && echo yes || echo no; }
await "the shelf is back when the menu ends" yes back

xdotool windowfocus --sync "$(shelf_window)"
key Escape Escape
await_menu_exit
expect "Escape clears the search, then closes the shelf" "$menu_status" 0

# The front door: without an argument and a mounted disc, the shelf used last opens again.
QT_QPA_PLATFORM=xcb "$e2e_program" --machine "$work/machine" --runner "" --opener true 2>>"$work/menu.log" &
menu_pid=$!
await "a start without a disc opens the last shelf" yes shown
xdotool windowfocus --sync "$(shelf_window)"
key Escape
await_menu_exit
expect "and Escape closes it" "$menu_status" 0

exit "$failures"
