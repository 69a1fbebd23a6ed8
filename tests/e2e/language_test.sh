#!/usr/bin/env bash
# The language of the screen, chosen in the settings dialog: the forced choice of a first start, then a
# change to English and back to Czech through the Settings label. The sample CD is the Czech edition; which
# sections each language's page bar has follows from the catalogue.
# Usage: language_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"

# Window regions whose captions change with the language.
bar() { region 507 81 133 206; }
settings_caption() { region 7 454 69 13; }
commands() { region 250 262 90 66; }
# The captions of positions 7 to 9: "white", or "none" where no section stands or the section has no
# caption (the custom page).
last_sections() { echo "$(caption_colour 7) $(caption_colour 8) $(caption_colour 9)"; }
expected_last_sections() { # kinds of the bar, in order ("custom" has no caption)
    local p kinds=("$@") out=()
    for p in 7 8 9; do
        if [ "$p" -le "${#kinds[@]}" ] && [ "${kinds[$((p - 1))]}" != custom ]; then
            out+=(white)
        else
            out+=(none)
        fi
    done
    echo "${out[*]}"
}
shots=$(catalogue_value Main Shots)
movies=$(catalogue_value Main Movies)
readers=$(catalogue_value Main Readers)
diskmag=$(catalogue_value Main Vyrniste)
issue=$(catalogue_value Main CD)
czech_bar=(demos)
[ "${shots:-0}" -gt 0 ] && czech_bar+=(hotshots)
czech_bar+=(updates)
[ "${movies:-0}" -gt 0 ] && czech_bar+=(films)
{ [ "${diskmag:-0}" -ne 0 ] || [ "$issue" = 1197 ] || [ "$issue" = 1297 ]; } && czech_bar+=(diskmag)
[ "${readers:-0}" -gt 0 ] && czech_bar+=(readers)
czech_bar+=(shareware custom installed)
english_bar=(demos)
[ "${shots:-0}" -gt 0 ] && english_bar+=(hotshots)
english_bar+=(shareware films updates installed)
rows_with_text() { has_light 22 68 89 261; }

# The dialog that is open: its place in the window, and its controls at their places in it.
dialog=""
in_dialog() { # command x y [more...]: the command with x and y moved into the dialog
    local command=$1 x=$2 y=$3 dx dy
    shift 3
    read -r dx dy <<<"$dialog"
    "$command" "$((x + dx))" "$((y + dy))" "$@"
}
open_dialog() { # name of the check
    await_change "$1" none window_at 229 179
    dialog=$last
    await "the dialog is drawn" yes in_dialog has_light 193 156 31 17 # "O.K"
}
# The pointer on a label draws the white frame at the label's left, one pixel outside; then the click.
choose() { # label x y, frame x
    in_dialog move "$1" "$2"
    await "the pointer frames the label" "srgb(255,255,255)" in_dialog probe "$3" "$2"
    in_dialog click "$1" "$2"
}
close_dialog() {
    choose 208 164 191 # "O.K"
    await "the dialog closes" none window_at 229 179
    focus_menu
}
choose_english() { choose 40 91 25; }
choose_czech() { choose 40 75 25; }

start_display
start_menu

# A first start: the dialog asks for the language before the screen is built.
open_dialog "a first start opens the settings dialog"
expect "the dialog stands over the picture box" "$dialog" "240 79"
expect "only the language choice is offered, not the full-screen row" "$(in_dialog has_light 27 13 72 12)" no
expect "the list stays empty behind the dialog" "$(rows_with_text)" no
close_dialog
await "the edition's language is built: the Czech bar" "$(expected_last_sections "${czech_bar[@]}")" last_sections
expect "closing the forced choice stores the language" "$(settings_value Language2)" Language2=1
await "the demos page shows its items" yes rows_with_text
czech_bar_look=$(bar)
czech_settings=$(settings_caption)
czech_commands=$(commands)

# To English, from another section: the screen is rebuilt and goes back to the first section.
click_section 3 # the updates
await "section 3 becomes the active one" unlit section_state 1
click 30 460 # "Nastavení"
open_dialog "the Settings label opens the dialog"
expect "the full-screen row is offered" "$(in_dialog has_light 27 13 72 12)" yes
choose_english
close_dialog
await "the English bar" "$(expected_last_sections "${english_bar[@]}")" last_sections
await_change "the Settings label speaks English" "$czech_settings" settings_caption
expect "the section captions changed" "$([ "$(bar)" != "$czech_bar_look" ] && echo changed)" changed
expect "the command labels changed" "$([ "$(commands)" != "$czech_commands" ] && echo changed)" changed
expect "the first section is active again" "$(section_state 1) $(section_state 3)" "lit unlit"
expect "English is stored" "$(settings_value Language2)" Language2=0

# Back to Czech: every caption reads as it did.
click 30 460
open_dialog "the dialog opens again"
choose_czech
close_dialog
await "the Czech bar is back" "$czech_bar_look" bar
expect "the Settings label reads as before" "$(settings_caption)" "$czech_settings"
expect "the command labels read as before" "$(commands)" "$czech_commands"
expect "Czech is stored" "$(settings_value Language2)" Language2=1

e2e_result
