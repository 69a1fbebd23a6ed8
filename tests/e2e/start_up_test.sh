#!/usr/bin/env bash
# The real program under Xvfb on the sample CD: a first start opens the language dialog over the window; a
# later start shows the demos page with the active section lit and the first row bordered; a start on a
# machine that nothing changed since the last one writes neither the settings file nor the registry.
# Usage: start_up_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"

snapshot() { # file
    QT_QPA_PLATFORM=xcb "$e2e_program" A --machine "$work/machine" --cd "$e2e_cd" --runner "" --opener true \
        --snapshot "$1" 2>>"$work/menu.log"
}

start_display
snapshot "$work/first.png"
# The settings dialog (grey panel) stands where the picture box is otherwise dark.
first=$(pixel "$work/first.png" 300 150)
expect "first start shows the language dialog" "$([ "$first" != "srgb(16,16,42)" ] && echo dialog || echo none)" dialog

choose_language 1
snapshot "$work/second.png"
expect "the active section button is lit" "$(pixel "$work/second.png" 600 92)" "srgb(132,165,235)"
expect "the selected row carries the silver border" "$(pixel "$work/second.png" 20 72)" "srgb(192,192,192)"
# Under a scale factor the snapshot is the whole window at the screen's pixels.
QT_SCALE_FACTOR=2 snapshot "$work/scaled.png"
expect "a scaled snapshot holds the whole window" "$(identify -format '%wx%h' "$work/scaled.png")" 1280x960
expect "its lower right shows the window's frame" "$(pixel "$work/scaled.png" 1270 950)" \
    "$(pixel "$work/second.png" 635 475)"
expect "the CD kept drive D:" "$(readlink "$work/machine/dosdevices/d:")" "$(realpath "$e2e_cd")"

written_state() { # inode and modification time of each file a start could write, and what else is there
    (cd "$work/machine" && stat -c '%n %i %y' drive_c/windows/tavox.ini system.reg user.reg && ls -A . drive_c/windows)
}
before=$(written_state)
snapshot "$work/third.png"
expect "a repeated start writes nothing" "$(written_state)" "$before"

e2e_result
