#!/usr/bin/env bash
# Moving around the menu screen as a reader does: the section buttons lit under the pointer and by the
# keyboard, the demo list by keys, row clicks, the scroll arrows, the track and the thumb, the focus zones,
# and the Exit label. The counts of items come from the CD's catalogue.
# Usage: navigation_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"

row_tops=(68 86 103 121 139 157 174 192 210 227 245 263 281 298 316)
move_row() { # r
    move 60 "$((row_tops[$1 - 1] + 6))"
}
click_row() { # r
    click 60 "$((row_tops[$1 - 1] + 6))"
}
# The frame one pixel left of a label: "white" (the cursor), "silver" (the list border) or "none".
frame_left_of() { # x y
    case "$(probe "$1" "$2")" in
    "srgb(255,255,255)") echo white ;;
    "srgb(192,192,192)") echo silver ;;
    *) echo none ;;
    esac
}
row_frame() { # r
    frame_left_of 20 "$((row_tops[$1 - 1] + 4))"
}
frames() { # r...: the frames of these rows, in order
    local r out=()
    for r in "$@"; do
        out+=("$(row_frame "$r")")
    done
    echo "${out[*]}"
}
demos=$(catalogue_value Main Demos)
shots=$(catalogue_value Main Shots)
last_row=$((demos < 15 ? demos : 15))
item_thumb() { # item on the demos page
    thumb_for_item "$1" "$demos"
}
# The item that a press y pixels down the track selects: y / (250 / n), rounded half to even, within 1..n.
track_item() { # y
    awk -v y="$1" -v n="$demos" 'BEGIN { t = y / (250 / n); r = int(t + 0.5); if (r - t == 0.5 && r % 2) r--;
        if (r < 1) r = 1; if (r > n) r = n; print r }'
}
list_text() { region 22 68 89 261; }
background() { move 60 400; } # a place of the plain background: the list gets the keyboard
run_frame() { frame_left_of 254 270; }
readme_frame() { frame_left_of 254 286; }
# Two observations at once, for waits on a state of two parts.
row5_and_thumb() { echo "$(row_frame 5) $(thumb_top)"; }
run_and_readme() { echo "$(run_frame) $(readme_frame)"; }
row1_and_run() { echo "$(row_frame 1) $(run_frame)"; }
sections_1_and_2() { echo "$(section_state 1) $(section_state 2)"; }

start_display
choose_language 1
start_menu
await "the demos page opens with its section lit" lit section_state 1
await "the first row carries the silver border" silver row_frame 1
learn_thumb_colour
expect "the thumb stands at the first item" "$(thumb_top)" 70
demos_list=$(list_text)

# Section buttons under the pointer.
move_section 3
await "the button under the pointer lights" lit section_state 3
expect "with a black caption" "$(caption_colour 3)" black
expect "the active button stays lit, caption white" "$(section_state 1) $(caption_colour 1)" "lit white"
move_section 4
await "moving on restores the button left" unlit section_state 3
expect "and lights the next" "$(section_state 4) $(caption_colour 3)" "lit white"
move_section 1
await "on the active button the caption turns black" black caption_colour 1
expect "the button left goes dark" "$(section_state 4)" unlit
background
await "off the buttons the active caption is white again" white caption_colour 1
expect "and the active button stays lit" "$(section_state 1)" lit

# Clicking a section.
click_section 3
await "a clicked section becomes the active one" unlit section_state 1
expect "its button is lit" "$(section_state 3)" lit
expect "its list replaces the demos" "$([ "$(list_text)" != "$demos_list" ] && echo changed)" changed
click_section 1
await "back on the demos page" lit section_state 1
await "the demos list is shown again" "$demos_list" list_text
expect "the updates button is restored" "$(section_state 3)" unlit

# The list by mouse.
click_row 5
await "a row click selects that item" "$(item_thumb 5)" thumb_top
background
await "off the list the selected row keeps the silver border" "none silver" frames 1 5
click_section 1
await "the pointer on the active section" black caption_colour 1
background
await "clicking the section shown changes nothing" "silver $(item_thumb 5)" row5_and_thumb

# Rows past the end of a short list: the hotshots page.
if [ "$shots" -lt 15 ]; then
    click_section 2
    await "the hotshots page opens" lit section_state 2
    move_row "$shots"
    await "the pointer frames a row with an item" white row_frame "$shots"
    move_row $((shots + 1))
    await "a row without an item is not framed" "none none" frames "$shots" $((shots + 1))
    xdotool click 1
    background
    await "nor selected by a click" "silver none" frames 1 $((shots + 1))
    click_section 1
    await "the demos page again" lit section_state 1
    background
    await "on its first item" "$(item_thumb 1)" thumb_top
    click_row 5
    await "a row click selects again" "$(item_thumb 5)" thumb_top
else
    echo "skipped: the hotshots page has no blank rows"
fi

plain=$(region 173 326 16 13)
move 181 332
await_change "the down arrow lights under the pointer" "$plain" region 173 326 16 13
xdotool click 1
await "pressing it selects the next item" "$(item_thumb 6)" thumb_top
plain=$(region 173 59 16 13)
move 181 65
await_change "the up arrow lights under the pointer" "$plain" region 173 59 16 13
xdotool click 1
await "pressing it selects the previous item" "$(item_thumb 5)" thumb_top
click 180 198 # 125 pixels down the track
await "a press on the track selects the item at that height" "$(item_thumb "$(track_item 125)")" thumb_top

# The list by keys.
background
key Home
await "Home selects the first item" "$(item_thumb 1)" thumb_top
await "its row carries the cursor" "white none" frames 1 "$last_row"
key Down
await "Down selects the next item" "$(item_thumb 2)" thumb_top
await "the cursor follows" "none white" frames 1 2
key End
await "End selects the last item" "$(item_thumb "$demos")" thumb_top
key Down Up
await "Down at the last item stays, Up goes back one" "$(item_thumb $((demos - 1)))" thumb_top
await "the cursor follows" "white none" frames $((last_row - 1)) "$last_row"
key Home Up Down
await "Up at the first item stays" "$(item_thumb 2)" thumb_top

# Focus zones: list, command labels, page bar. The first demo offers Run, Readme and Install.
key Home
await "back on the first item" "$(item_thumb 1)" thumb_top
key Right
await "Right frames the first command" white run_frame
expect "the selected row keeps the silver border" "$(row_frame 1)" silver
key Down
await "Down frames the next command" "none white" run_and_readme
key Down Down
await "Down from the last command wraps to the first" "white none" run_and_readme
key Left
await "Left returns to the list" "white none" row1_and_run
key Left
await "Left again gives the keyboard to the page bar" black caption_colour 1
key Down
await "Down in the page bar opens the next section" "unlit lit" sections_1_and_2
key Up Up
await "Up from the first section wraps to the last" "unlit unlit" sections_1_and_2
key Down
await "Down from the last wraps to the first" lit section_state 1
key Right
await "Right returns to the list" white caption_colour 1
await "with the cursor on the first row" white row_frame 1

# The thumb: the pointer passing over it, then a drag along the track.
thumb=$(thumb_top)
move 180 "$((thumb + 8))"
# Wait until the menu has seen the pointer there: Qt merges pending moves, and a move back to where the
# pointer last was is dropped, so an unseen pass would leave nothing to observe.
await "the pointer over the thumb gives the list the keyboard" silver row_frame 1
background
await "the pointer may pass over the thumb" silver row_frame 1
move 180 "$((thumb + 8))"
xdotool mousedown 1
move 180 323
xdotool mouseup 1
await "dragging the thumb to the bottom selects the last item" "$(item_thumb "$demos")" thumb_top

click 610 460 # "Exit"
await_menu_exit
expect "Exit ends the program cleanly" "$menu_status" 0

e2e_result
