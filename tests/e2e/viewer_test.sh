#!/usr/bin/env bash
# The screenshots of a demo: stepping through them small with the arrow marks, and full-screen in the
# viewer with keys and the mouse, then a demo without pictures ("NUL"). Every picture seen is matched
# against the series' files on the CD; the catalogue says which demo has which.
# Usage: viewer_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"

base=$(catalogue_value Demo1 Picture)
pictures=$(find "$e2e_cd/TAVOX" -maxdepth 1 -name "${base}[0-9][0-9].JPG" | wc -l)
demos=$(catalogue_value Main Demos)
small() { # candidates...: which picture of the first demo the small picture shows
    nearest_picture 255 84 200 150 "$base" "$@"
}
# The viewer that is open: its place in the window, and what it shows.
viewer=""
big() { # candidates...
    local dx dy
    read -r dx dy <<<"$viewer"
    nearest_picture "$dx" "$dy" 640 480 "$base" "$@"
}
black_viewer() { # "yes" when no pixel of the viewer is lighter than black
    local dx dy
    read -r dx dy <<<"$viewer"
    window_shot "$work/viewer.png"
    [ "$(convert "$work/viewer.png" -crop "640x480+$dx+$dy" +repage -format "%[max]" info:)" = 0 ] &&
        echo yes || echo no
}
open_viewer() { # name of the check
    click 355 159
    await_change "$1" none window_at 640 480
    viewer=$last
}
closes() { # name of the check
    await "$1" none window_at 640 480
    focus_menu
}
in_viewer_click() { # x y [button]
    local dx dy
    read -r dx dy <<<"$viewer"
    click "$(($1 + dx))" "$(($2 + dy))" "${3:-1}"
}
left_mark() { has_light 243 155 8 16; }
right_mark() { has_light 460 154 8 16; }
# A plain mark lights its black twin under the pointer; the twin takes the click.
step_small() { # x y of the mark
    local plain
    plain=$(region "$(($1 - 3))" "$(($2 - 7))" 8 16)
    move "$1" "$2"
    await_change "the mark lights under the pointer" "$plain" region "$(($1 - 3))" "$(($2 - 7))" 8 16
    xdotool click 1
}

[ "$pictures" -ge 5 ] || { echo "FAILED: the first demo needs five pictures, it has $pictures" && exit 1; }
start_display
choose_language 1
start_menu
await "the first demo shows its first picture small" 1 small 1 2 3
learn_thumb_colour
expect "with a mark to the next picture only" "$(left_mark) $(right_mark)" "no yes"

step_small 463 161
await "the right mark shows the next picture" 2 small 1 2 3
expect "and offers the previous one" "$(left_mark) $(right_mark)" "yes yes"
step_small 246 162
await "the left mark goes back" 1 small 1 2 3
expect "to the first, with no previous one" "$(left_mark)" no

open_viewer "a click on the small picture opens the viewer"
expect "the viewer covers the menu's window" "$viewer" "0 0"
await "the viewer shows the same picture in full" 1 big 1 2
key Right
await "Right steps forward" 2 big 1 2 3
key Right Left Right
await "Left steps back" 3 big 2 3 4
in_viewer_click 320 240
await "a left click on the picture steps forward" 4 big 3 4 5
in_viewer_click 30 240
await "a click on the left strip steps back" 3 big 2 3 4
key Escape
closes "Escape closes the viewer"
await "the small picture continues where the viewer stopped" 3 small 2 3 4
expect "with both marks" "$(left_mark) $(right_mark)" "yes yes"

open_viewer "the viewer opens again"
await "on the picture shown small" 3 big 2 3 4
for n in $(seq 4 "$pictures"); do
    key Right
    await "Right steps to picture $n" "$n" big "$((n - 1))" "$n" "$((n + 1))"
done
key Right Left
before_last=$((pictures - 1))
await "past the last picture Right stays; Left steps back from it" "$before_last" big \
    $((pictures - 2)) "$before_last" "$pictures"
in_viewer_click 320 240 3
closes "the right mouse button closes the viewer"
await "the small picture is the last one seen" "$before_last" small $((pictures - 2)) "$before_last" "$pictures"
expect "with both marks" "$(left_mark) $(right_mark)" "yes yes"

open_viewer "the viewer opens a third time"
in_viewer_click 320 20
closes "a click on the top strip closes it"
open_viewer "and a fourth time"
key Up
closes "Up closes it"

# A demo without pictures: the small picture of the demo before stays, the viewer is black and has nothing
# to step to. Down walks there, the thumb telling when each step is done.
no_pictures=""
for k in $(seq 2 "$demos"); do
    [ -n "$no_pictures" ] || [ "$(catalogue_value "Demo$k" Picture)" != NUL ] || no_pictures=$k
done
if [ -n "$no_pictures" ]; then
    move 60 400
    key Home
    await "Home selects the first demo" "$(thumb_for_item 1 "$demos")" thumb_top
    for k in $(seq 2 "$no_pictures"); do
        key Down
        await "Down selects demo $k" "$(thumb_for_item "$k" "$demos")" thumb_top
    done
    expect "a demo without pictures leaves the picture of the demo before" \
        "$(nearest_picture 255 84 200 150 "$(catalogue_value "Demo$((no_pictures - 1))" Picture)" 1 2)" 1
    open_viewer "its viewer opens"
    await "black" yes black_viewer
    key Right Escape
    closes "and closes after a step that has nowhere to go"
else
    echo "skipped: every demo has pictures"
fi

e2e_result
