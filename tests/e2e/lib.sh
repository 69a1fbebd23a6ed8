# Shared by the end-to-end scripts, which source it with their own arguments: PROGRAM SAMPLE_CD [BUILD_DIR].
# It gives each script a private work directory and X server, starts the menu on a fresh machine, and
# waits for what the screen shows. Every check is a pixel or a region of a screenshot; every wait polls
# for a condition with an upper bound, and a wait that runs out ends the script, since every later step
# would start from an unknown screen.
# shellcheck shell=bash
set -euo pipefail

e2e_program=$1
e2e_cd=$2
# Screens of failed checks are kept here, when a build directory is given.
e2e_failures_dir=${3:+$3/e2e-failures}
e2e_name=$(basename "$0" .sh)
e2e_dir=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
# The X platform brings in libraries that keep allocations until exit.
export LSAN_OPTIONS="suppressions=$e2e_dir/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# A sanitized debug build on a busy machine starts slowly; a wait fails only after this.
e2e_timeout_s=${E2E_TIMEOUT_S:-60}

work=$(mktemp -d)
failures=0
menu_pid=""
menu_window=""
xvfb_pid=""
# Origin of the menu's window on the screen; probes and pointer moves take window coordinates.
ox=0
oy=0

e2e_cleanup() {
    local pid
    for pid in $menu_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap e2e_cleanup EXIT
trap 'exit 1' INT TERM

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
# The menu's log goes to the work directory, not to the home of whoever runs the tests.
export XDG_STATE_HOME="$work/state"
menu_log=$XDG_STATE_HOME/tavox95/tavox95.log
# The shelf opened last is remembered there: a start without a disc must not find the user's.
export XDG_CONFIG_HOME="$work/config"

# Keeps the screen as it is now beside the build, for a look at what went wrong.
keep_screen() {
    if [ -n "$e2e_failures_dir" ] && [ -n "${DISPLAY:-}" ]; then
        mkdir -p "$e2e_failures_dir"
        import -window root "$e2e_failures_dir/$e2e_name-$failures.png" 2>/dev/null || true
        echo "  screen kept in $e2e_failures_dir/$e2e_name-$failures.png"
    fi
}

expect() { # name actual expected
    if [ "$2" = "$3" ]; then
        echo "ok: $1"
    else
        echo "FAILED: $1: got $2, expected $3"
        failures=$((failures + 1))
        keep_screen
    fi
}

# The colour of one pixel of a picture file, as "srgb(r,g,b)".
pixel() { # file x y
    convert "$1" -format "%[pixel:p{$2,$3}]" info:
}

# Polls until the command prints the expected text (the check passes) or the time runs out (the check
# fails and the script ends). The last output stays in $last.
last=""
await() { # name expected command...
    local name=$1 expected=$2
    shift 2
    local deadline=$((SECONDS + e2e_timeout_s))
    while last=$("$@") && [ "$last" != "$expected" ] && [ "$SECONDS" -lt "$deadline" ] && menu_alive; do
        sleep 0.1
    done
    expect "$name" "$last" "$expected"
    [ "$last" = "$expected" ] || e2e_abort
}

# True while the menu runs, or before it was started: waiting for a screen of an ended menu is pointless.
menu_alive() {
    [ -z "$menu_pid" ] || kill -0 "$menu_pid" 2>/dev/null
}

# After a wait that ran out: say whether the menu is still there, and what it wrote.
e2e_abort() {
    if ! menu_alive; then
        echo "The menu has ended; it wrote:"
        head -n 12 "$work/menu.log"
        echo "Its log ends:"
        tail -n 12 "$menu_log" 2>/dev/null || true
        if [ -n "$xvfb_pid" ]; then
            echo "The X server on $DISPLAY $(kill -0 "$xvfb_pid" 2>/dev/null && echo runs || echo has ended); it wrote:"
            tail -n 5 "$work/xvfb.log"
        fi
    fi
    exit 1
}

# Polls until the command prints something other than the given text.
await_change() { # name old command...
    local name=$1 old=$2
    shift 2
    local deadline=$((SECONDS + e2e_timeout_s))
    while last=$("$@") && [ "$last" = "$old" ] && [ "$SECONDS" -lt "$deadline" ] && menu_alive; do
        sleep 0.1
    done
    if [ "$last" = "$old" ]; then
        echo "FAILED: $name: still $old"
        failures=$((failures + 1))
        keep_screen
        e2e_abort
    fi
    echo "ok: $name"
}

# Whether the process holds display N: clients (libxcb) try the abstract socket "@/tmp/.X11-unix/XN" first,
# and only one process can listen on that name, so its holder is the server they reach.
holds_display() { # pid number
    local inode
    inode=$(awk -v name="@/tmp/.X11-unix/X$2" '$8 == name && $4 == "00010000" { print $7 }' /proc/net/unix)
    [ -n "$inode" ] && [ -n "$(find "/proc/$1/fd" -lname "socket:\[$inode\]" 2>/dev/null)" ]
}

# One try at a private X server: true when it reported a display that it holds and that answers.
try_display() {
    : >"$work/display"
    # -noreset: by default the server resets whenever its last client leaves, and a client that connects
    # meanwhile (the menu started after a probe, or started again) is refused.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    local deadline=$((SECONDS + e2e_timeout_s)) number
    until [ -s "$work/display" ] || [ "$SECONDS" -ge "$deadline" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; do
        sleep 0.1
    done
    number=$(head -n 1 "$work/display")
    if [ -n "$number" ] && holds_display "$xvfb_pid" "$number" &&
        [ "$(DISPLAY=":$number" xdotool getdisplaygeometry 2>/dev/null)" = "1024 768" ]; then
        DISPLAY=":$number"
        export DISPLAY
        return 0
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
    return 1
}

# A private X server at 1024x768 in true colour. Other test runs on the machine start theirs at the same
# time, so a server that lost its display to another, or does not answer, is replaced by a new one.
start_display() {
    local attempt
    for attempt in 1 2 3 4 5; do
        try_display && return 0
        echo "Xvfb try $attempt gave no display of its own:"
        cat "$work/xvfb.log"
    done
    echo "FAILED: Xvfb did not start"
    exit 1
}

# The settings of a reader who chose the language before: Czech, the edition's own, or English.
choose_language() { # 0 English, 1 Czech
    mkdir -p "$work/machine/drive_c/windows"
    printf '[Main]\r\nLanguage2=%s\r\n' "$1" >"$work/machine/drive_c/windows/tavox.ini"
}

# What the install checks read: an item's directory in the settings file (empty while there is none), whether
# a host path exists ("present" or "gone"), the list's border (grey once a page is ready) and whether the
# detail panel offers Run.
recorded() { # list name
    { grep -ai "^$1=" "$work/machine/drive_c/windows/tavox.ini" 2>/dev/null || true; } | head -n 1 |
        cut -d= -f2- | tr -d '\r'
}
state() { # path
    [ -e "$1" ] && echo present || echo gone
}
list_border() { probe 20 72; }
run_offered() { has_light 256 265 41 13; }

# From the list: the demo in row n, then the first command (Install, while the item is not installed).
press_install() { # row
    local row
    key Home
    for ((row = 2; row <= $1; row++)); do
        key Down
    done
    key Right Return
}

settings_value() { # key: its line in [Main] of the settings file, without the CR
    grep -a "^$1=" "$work/machine/drive_c/windows/tavox.ini" | tr -d '\r'
}

# The Windows runner the menu is given: none, so that nothing of the CD is run, unless a script sets one.
e2e_runner=""
# "real": no runner at all, so that the menu starts DOS programs in DOSBox and Windows programs under Wine.
e2e_engines=""

# Starts the menu on the sample CD and waits for its 640x480 window.
# shellcheck disable=SC2120 # the options are optional
start_menu() { # extra options...
    local runner=(--runner "$e2e_runner")
    [ "$e2e_engines" != real ] || runner=()
    QT_QPA_PLATFORM=xcb "$e2e_program" A --machine "$work/machine" --cd "${e2e_disc:-$e2e_cd}" "${runner[@]}" \
        --opener true "$@" 2>>"$work/menu.log" &
    menu_pid=$!
    local deadline=$((SECONDS + e2e_timeout_s)) window geometry
    while [ "$SECONDS" -lt "$deadline" ] && kill -0 "$menu_pid" 2>/dev/null; do
        for window in $(xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null); do
            # A window Qt made and dropped during start-up may be gone by now.
            geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) || continue
            if grep -qx 'WIDTH=640' <<<"$geometry" && grep -qx 'HEIGHT=480' <<<"$geometry"; then
                ox=$(sed -n 's/^X=//p' <<<"$geometry")
                oy=$(sed -n 's/^Y=//p' <<<"$geometry")
                menu_window=$window
                focus_menu
                return 0
            fi
        done
        sleep 0.1
    done
    echo "FAILED: the menu's window did not appear"
    cat "$work/menu.log" "$work/xvfb.log"
    exit 1
}

# Gives the keyboard to the menu's window, as a window manager does at the start and when a dialog
# closes; the bare X server leaves the focus where it fell.
focus_menu() {
    xdotool windowfocus --sync "$menu_window"
}

# Where the menu's other visible window of that size stands, relative to the main window ("none" when
# there is none): the dialogs and the viewer.
window_at() { # width height
    local window geometry x y
    for window in $(xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null); do
        geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) || continue # closed meanwhile
        x=$(sed -n 's/^X=//p' <<<"$geometry")
        y=$(sed -n 's/^Y=//p' <<<"$geometry")
        if grep -qx "WIDTH=$1" <<<"$geometry" && grep -qx "HEIGHT=$2" <<<"$geometry" &&
            [ "$window" != "$menu_window" ]; then
            echo "$((x - ox)) $((y - oy))"
            return
        fi
    done
    echo none
}

# The keyboard goes to the window the menu opened: a bare X server gives it to nobody.
focus_window() { # width height
    local window geometry
    for window in $(xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null); do
        geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) || continue # closed meanwhile
        if grep -qx "WIDTH=$1" <<<"$geometry" && grep -qx "HEIGHT=$2" <<<"$geometry"; then
            xdotool windowfocus --sync "$window"
            return
        fi
    done
}

# Answers the question box that is up with its default button, Yes.
answer_yes() {
    await "a question is asked" yes has_question
    focus_window "$question_width" "$question_height"
    key Return
}
question_width=""
question_height=""
# A question box: a window of the menu that is neither the menu nor one of its own dialogs.
has_question() {
    local window geometry
    for window in $(xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null); do
        [ "$window" = "$menu_window" ] && continue
        geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) || continue # closed meanwhile
        question_width=$(sed -n 's/^WIDTH=//p' <<<"$geometry")
        question_height=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
        if [ "$question_width" != 323 ] && [ "$question_width" != 426 ]; then
            echo yes
            return
        fi
    done
    echo no
}

# Waits for the menu to end by itself and leaves its exit status in $menu_status ("still running" when it
# did not end). Not to be called in a subshell: only this shell can collect the menu's status.
menu_status=""
# shellcheck disable=SC2034 # read by the scripts that source this file
await_menu_exit() {
    local deadline=$((SECONDS + e2e_timeout_s))
    while kill -0 "$menu_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
        sleep 0.1
    done
    if kill -0 "$menu_pid" 2>/dev/null; then
        menu_status="still running"
        return
    fi
    menu_status=0
    wait "$menu_pid" || menu_status=$?
    menu_pid=""
}

# Screenshots of the menu's window (the screen, so that dialogs over it are seen too).
window_shot() { # file
    import -window root -crop "640x480+$ox+$oy" +repage "$1"
}

probe() { # x y: the colour at window coordinates, now
    window_shot "$work/probe.png"
    pixel "$work/probe.png" "$1" "$2"
}

# A fingerprint of a rectangle of the window, now: equal pictures give equal texts.
region() { # x y width height
    window_shot "$work/region.png"
    convert "$work/region.png" -crop "$3x$4+$1+$2" +repage -depth 8 rgb:- | md5sum | cut -d' ' -f1
}

# How many pixels of a rectangle have exactly the given colour, now (captions: white or black text).
count_colour() { # x y width height colour
    window_shot "$work/count.png"
    # Through a marker colour, so that black and white can be counted alike.
    convert "$work/count.png" -crop "$3x$4+$1+$2" +repage -fill "srgb(1,2,3)" -opaque "$5" \
        -fill black +opaque "srgb(1,2,3)" -fill white -opaque "srgb(1,2,3)" -format "%[fx:round(mean*w*h)]" info:
}

# "yes" when a rectangle holds light pixels (text, frames), now: small captions are drawn smoothed, so their
# strokes are near white rather than white.
has_light() { # x y width height
    window_shot "$work/light.png"
    local count
    count=$(convert "$work/light.png" -crop "$3x$4+$1+$2" +repage -colorspace gray -threshold 75% \
        -format "%[fx:round(mean*w*h)]" info:)
    [ "$count" -gt 0 ] && echo yes || echo no
}


# A value of the CD's catalogue, so that the checks follow what the sample CD carries.
catalogue_value() { # section key
    tr -d '\r' <"$e2e_cd/TAVOX/TAVOX95.INI" | awk -v s="[$(tr '[:upper:]' '[:lower:]' <<<"$1")]" \
        -v k="$(tr '[:upper:]' '[:lower:]' <<<"$2")" '
        /^\[/ { in_section = tolower($0) == s; next }
        in_section && tolower(substr($0, 1, length(k) + 1)) == k "=" { print substr($0, length(k) + 2); exit }'
}

# The scroll thumb of the list: its top follows 70 + (item - 1) * (K / n + (K / n - 16) / n), rounded half
# to even, with K 257 on the demos page.
thumb_for_item() { # item count
    awk -v c="$1" -v n="$2" 'BEGIN { s = 257 / n + (257 / n - 16) / n; t = 70 + (c - 1) * s; r = int(t + 0.5);
        if (r - t == 0.5 && r % 2) r--; print r }'
}
# The thumb's outline colour, taken from the thumb at its first place, where a page opens it (top 70).
thumb_colour=""
learn_thumb_colour() {
    window_shot "$work/thumb.png"
    thumb_colour=$(convert "$work/thumb.png" -format "%[hex:p{180,70}]" info:)
}
# The first pixel of the thumb's outline colour down the middle of the track, or "none".
thumb_top() {
    window_shot "$work/thumb.png"
    convert "$work/thumb.png" -crop 1x270+180+64 +repage -depth 8 txt:- |
        awk -v c="#$thumb_colour" 'NR > 1 && $3 == c && top == "" { split($1, p, /[,:]/); top = p[2] + 64 }
            END { print top == "" ? "none" : top }'
}

# Which picture of a series on the CD a rectangle shows: the number among the candidates whose file, scaled
# to the rectangle, is nearest to it, or "none" when none is near. Neighbours in a series differ clearly,
# while decoding and scaling differ little.
nearest_picture() { # x y width height base number...
    local x=$1 y=$2 width=$3 height=$4 base=$5 n file error best=none best_error=0.08
    shift 5
    window_shot "$work/seen.png"
    convert "$work/seen.png" -crop "${width}x$height+$x+$y" +repage "$work/seen-crop.png"
    for n in "$@"; do
        file="$e2e_cd/TAVOX/$base$(printf '%02d' "$n").JPG"
        [ -e "$file" ] || continue
        convert "$file" -resize "${width}x$height!" "$work/candidate.png"
        # compare prints "absolute (normalised)" and exits 1 when the pictures differ at all.
        error=$(compare -metric RMSE "$work/seen-crop.png" "$work/candidate.png" null: 2>&1 |
            sed 's/.*(\(.*\))/\1/' || true)
        if awk -v e="$error" -v b="$best_error" 'BEGIN { exit !(e < b) }'; then
            best=$n
            best_error=$error
        fi
    done
    echo "$best"
}

# The section buttons of the page bar: mouse areas 507..639 wide, their caption labels at x 514.
section_tops=(81 104 126 149 172 194 217 242 265)
section_heights=(22 21 22 22 21 22 24 22 22)
section_label_tops=(85 106 129 151 175 199 222 245 271)
section_y() { # n: a row through the middle of button n
    echo "$((section_tops[$1 - 1] + section_heights[$1 - 1] / 2))"
}
# Right of the captions, on the plain part of the button.
move_section() { # n
    move 630 "$(section_y "$1")"
}
click_section() { # n
    click 630 "$(section_y "$1")"
}

# "lit" when button n shows the light-blue look, else "unlit".
section_state() { # n
    local colour
    colour=$(probe 630 "$(section_y "$1")")
    local red blue
    IFS='(,)' read -r _ red _ blue _ <<<"$colour"
    [ "$blue" -ge 200 ] && [ "$red" -ge 90 ] && echo lit || echo unlit
}

# The colour of button n's caption: "black", "white" or "none".
caption_colour() { # n
    local top=${section_label_tops[$1 - 1]}
    if [ "$(count_colour 514 "$top" 66 13 black)" -gt 0 ]; then
        echo black
    elif [ "$(has_light 514 "$top" 66 13)" = yes ]; then
        echo white
    else
        echo none
    fi
}

# Pointer and keyboard, in window coordinates; X delivers them as a user's input.
move() { # x y
    xdotool mousemove "$((ox + $1))" "$((oy + $2))"
}
click() { # x y [button]
    move "$1" "$2"
    xdotool click "${3:-1}"
}
key() { # key names as xdotool spells them
    xdotool key "$@"
}

e2e_result() {
    [ "$failures" -eq 0 ]
}
