#!/usr/bin/env bash
# The menu on an image of the sample CD, as a user without root or a mounted drive starts it: `tavox95
# IMAGE.iso`, `tavox95 A DISC.cue` and the .nrg, .mds, .ccd and per-track cue shapes show the same screen as
# the CD's directory; the disc is unpacked once
# into the cache, labelled for Windows programs, and a later start uses the cache without reading the image
# again. A file that is no disc gets a message naming it; no argument and no disc found asks for one, and
# Cancel ends quietly.
# Usage: disc_image_test.sh TAVOX95 SAMPLE_CD BUILD_DIR
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"

command -v xorriso >/dev/null || { echo "xorriso is not installed" && exit 77; }
raw_writer=$3/tests/make-raw-image

snapshot() { # machine file disc-arguments...
    local machine=$1 file=$2
    shift 2
    mkdir -p "$work/$machine/drive_c/WINDOWS"
    printf '[Main]\r\nLanguage2=1\r\n' >"$work/$machine/drive_c/WINDOWS/tavox.ini"
    QT_QPA_PLATFORM=xcb "$e2e_program" "$@" --machine "$work/$machine" --runner "" --opener true \
        --snapshot "$file" 2>>"$work/menu.log"
}
# The message boxes and the chooser are titled "TAVOX CD"; the unpack's progress dialog is not.
box() {
    xdotool search --onlyvisible --pid "$menu_pid" --name '^TAVOX CD$' 2>/dev/null | head -n 1
}
chooser() {
    xdotool search --onlyvisible --pid "$menu_pid" --name '^TAVOX CD: ' 2>/dev/null | head -n 1
}
chooser_shown() {
    [ -n "$(chooser)" ] && echo yes || echo no
}
shown() { # "yes" once the menu's process shows a message box or the chooser
    [ -n "$(box)" ] && echo yes || echo no
}
dismiss() { # key: pressed on that box until it is gone (a box just shown may not take keys yet)
    # A search can miss a window that is still there (one of the process's windows may vanish during it), so
    # the box counts as gone only when the menu has ended or three searches in a row find none.
    local deadline=$((SECONDS + e2e_timeout_s)) window misses=0
    while [ "$misses" -lt 3 ] && [ "$SECONDS" -lt "$deadline" ] && menu_alive; do
        window=$(box) || true # a search that met a vanishing window fails, yet may have found the box
        if [ -z "$window" ]; then
            misses=$((misses + 1))
            sleep 0.1
            continue
        fi
        misses=0
        xdotool windowfocus --sync "$window" 2>/dev/null || true
        xdotool key "$1"
        sleep 0.2
    done
}
same_picture() { # a b: "same" when no pixel differs
    local differing
    differing=$(compare -metric AE "$1" "$2" null: 2>&1 || true)
    [ "$differing" = 0 ] && echo same || echo "$differing pixels differ"
}

xorriso -abort_on FAILURE -outdev "$work/tavox.iso" -volid TAVOX_9812 -joliet on -rockridge on \
    -map "$e2e_cd" / >/dev/null 2>&1
start_display

snapshot from-dir "$work/dir.png" A --cd "$e2e_cd"
export XDG_CACHE_HOME=$work/cache
snapshot from-iso "$work/iso.png" "$work/tavox.iso"
expect "the image shows the same screen as the directory" "$(same_picture "$work/dir.png" "$work/iso.png")" same

disc=$(find "$work/cache/tavox95/discs" -mindepth 1 -maxdepth 1 -name 'TAVOX_9812-*')
expect "the CD drive links to the unpacked disc" "$(readlink "$work/from-iso/dosdevices/d:")" "$disc"
expect "the drive carries the disc's label" "$(cat "$disc/.windows-label")" TAVOX_9812
expect "the drive carries a serial number" "$(grep -cxE '[0-9A-F]{8}' "$disc/.windows-serial")" 1
expect "the disc is read-only" "$(stat -c %a "$disc/TAVOX/TAVOX95.INI")" 444

# Only the descriptors are left of the image: a start that read it again could not show the menu.
truncate -s 64K "$work/tavox.iso"
snapshot from-iso "$work/again.png" "$work/tavox.iso"
expect "a later start uses the cache" "$(same_picture "$work/dir.png" "$work/again.png")" same

xorriso -abort_on FAILURE -outdev "$work/fresh.iso" -volid TAVOX_9812 -joliet on -map "$e2e_cd" / >/dev/null 2>&1
"$raw_writer" "$work/fresh.iso" "$work/TAVOX.BIN" mode2
printf 'FILE "TAVOX.BIN" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n' >"$work/tavox.cue"
XDG_CACHE_HOME=$work/cue-cache snapshot from-cue "$work/cue.png" A "$work/tavox.cue"
expect "the cue sheet shows the same screen" "$(same_picture "$work/dir.png" "$work/cue.png")" same

# The shapes other programs write, each opened as the file manager would hand it over.
for shape in nrg nrg-old nrg-tao mds ccd cue-per-track; do
    mkdir -p "$work/$shape"
    image=$("$raw_writer" --shape "$shape" "$work/fresh.iso" "$work/$shape/TAVOX")
    XDG_CACHE_HOME=$work/$shape-cache snapshot "from-$shape" "$work/$shape.png" "$image"
    expect "the $shape image shows the same screen" "$(same_picture "$work/dir.png" "$work/$shape.png")" same
    rm -rf "${work:?}/$shape"
done

# Discs inside archives: a .7z of the .bin and its cue sheet, a .zip of the disc's folder tree, and an archive
# of two discs, whose list takes the first with Return.
if command -v 7z >/dev/null && command -v bsdtar >/dev/null; then
    (cd "$work" && 7z a -bd tavox-cue.7z TAVOX.BIN tavox.cue >/dev/null)
    XDG_CACHE_HOME=$work/7z-cache snapshot from-7z "$work/7z.png" "$work/tavox-cue.7z"
    expect "the .7z of a cue sheet shows the same screen" "$(same_picture "$work/dir.png" "$work/7z.png")" same
    # The cut image again, inside an archive: only a start that finds the disc by its identity shows the menu.
    (cd "$work" && 7z a -bd cut.7z tavox.iso >/dev/null)
    snapshot from-cut-7z "$work/cut-7z.png" "$work/cut.7z"
    expect "a later start from an archive uses the cache" "$(same_picture "$work/dir.png" "$work/cut-7z.png")" same
    bsdtar -a -cf "$work/tree.zip" -C "$e2e_cd/.." -s ",^$(basename "$e2e_cd"),TAVOX1298," "$(basename "$e2e_cd")"
    XDG_CACHE_HOME=$work/zip-cache snapshot from-zip "$work/zip.png" "$work/tree.zip"
    expect "the .zip of a disc folder shows the same screen" "$(same_picture "$work/dir.png" "$work/zip.png")" same
    (cd "$work" && 7z a -bd two.7z TAVOX.BIN tavox.cue fresh.iso >/dev/null)
    mkdir -p "$work/from-two/drive_c/WINDOWS"
    printf '[Main]\r\nLanguage2=1\r\n' >"$work/from-two/drive_c/WINDOWS/tavox.ini"
    XDG_CACHE_HOME=$work/two-cache QT_QPA_PLATFORM=xcb "$e2e_program" "$work/two.7z" --machine "$work/from-two" \
        --runner "" --opener true --snapshot "$work/two.png" 2>>"$work/menu.log" &
    menu_pid=$!
    await "the list of the archive's discs is shown" yes chooser_shown
    xdotool windowfocus --sync "$(chooser)" 2>/dev/null || true
    xdotool key Return
    await_menu_exit
    expect "the disc chosen from the list shows the same screen" "$(same_picture "$work/dir.png" "$work/two.png")" \
        same
    # A disc named below the archive, as the shelf starts it: no list.
    XDG_CACHE_HOME=$work/named-cache snapshot from-named "$work/named.png" "$work/two.7z/fresh.iso"
    expect "the disc named in the archive shows the same screen" "$(same_picture "$work/dir.png" "$work/named.png")" same
fi
rm "$work/fresh.iso"

# A file that is no disc, and a disc without the menu's catalogue: a message, and nothing cached.
printf 'not a disc\n' >"$work/notes.txt"
mkdir -p "$work/other/DATA"
printf 'data\n' >"$work/other/DATA/FILE.TXT"
xorriso -abort_on FAILURE -outdev "$work/other.iso" -volid OTHER -map "$work/other" / >/dev/null 2>&1
for bad in notes.txt other.iso; do
    QT_QPA_PLATFORM=xcb "$e2e_program" "$work/$bad" --machine "$work/bad" 2>>"$work/menu.log" &
    menu_pid=$!
    await "a message box stands for $bad" yes shown
    dismiss Return
    await_menu_exit
    expect "$bad ends the menu with an error" "$menu_status" 1
done
expect "nothing was cached for them" "$(find "$work/cache/tavox95/discs" -mindepth 1 -maxdepth 1 | wc -l)" 1

# No argument and no mounted disc: the chooser, whose Cancel ends the menu quietly.
if [ -z "$(find /media /run/media /mnt -maxdepth 3 -iname tavox95.ini 2>/dev/null)" ]; then
    QT_QPA_PLATFORM=xcb "$e2e_program" --machine "$work/none" 2>>"$work/menu.log" &
    menu_pid=$!
    await "the chooser asks for a disc" yes shown
    dismiss Escape
    await_menu_exit
    expect "Cancel ends the menu quietly" "$menu_status" 0
fi

e2e_result
