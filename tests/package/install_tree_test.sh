#!/usr/bin/env bash
# `cmake --install` into a DESTDIR under a prefix of its own, checked as a desktop and a packager would: the
# two programs in bin and the decoder in libexec, no other program of the build; a desktop entry and metainfo
# that their validators accept and that name what is installed; the icon at every size it claims; manual
# pages that man reads without a warning and that cover every option of --help; --version and --help
# without a display.
# Usage: install_tree_test.sh BUILD_DIR VERSION
build=$1
version=$2
for tool in desktop-file-validate appstreamcli man identify; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
# For its work directory and its checks; no display is started.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/../e2e/lib.sh" "" ""

validated() { # command...: "valid", or what the validator found
    if "$@" >"$work/validator.log" 2>&1; then
        echo valid
    else
        cat "$work/validator.log"
    fi
}

prefix=/opt/tavox95
DESTDIR=$work/dest cmake --install "$build" --prefix "$prefix" >"$work/install.log"
root=$work/dest$prefix
expect "nothing is installed outside the prefix" "$(ls "$work/dest")" opt

# Programs: the menu, the registry tool and the decoder; the build's tools and tests stay behind.
programs=$(cd "$root" && find . -type f -perm -u+x | sort | tr '\n' ' ')
expect "only the three programs are installed" "$programs" \
    "./bin/tavox-reg ./bin/tavox95 ./libexec/tavox95/tavox95-unrar "
expect "--version gives the project's version, with no display" \
    "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/tavox95" --version)" "tavox95 $version"

# The desktop entry and the metainfo: valid, and naming what is installed.
desktop=$root/share/applications/cz.tavox.tavox95.desktop
metainfo=$root/share/metainfo/cz.tavox.tavox95.metainfo.xml
# The validator says nothing about an entry without errors, warnings or hints.
expect "the desktop entry is valid" "$(desktop-file-validate "$desktop" 2>&1)" ""
expect "the metainfo is valid" "$(validated appstreamcli validate --no-net --pedantic "$metainfo")" valid
expect "the metainfo launches the installed entry" \
    "$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")" "$(basename "$desktop")"
expect "the metainfo's newest release is this version" \
    "$(grep -o -m 1 '<release version="[^"]*"' "$metainfo")" "<release version=\"$version\""
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
expect "the entry starts the installed menu with the file opened" "$exec_line" "tavox95 %f"
expect "the entry's program is in bin" "$([ -x "$root/bin/${exec_line%% *}" ] && echo present)" present
for type in application/x-cd-image application/x-cue application/x-raw-disk-image application/x-7z-compressed \
    application/zip application/vnd.rar; do
    expect "the entry opens $type" "$(grep -c "^MimeType=.*$type;" "$desktop")" 1
done

# The icon the entry names: scalable, and every PNG of the size its directory says.
icon=$(sed -n 's/^Icon=//p' "$desktop")
icons=$root/share/icons/hicolor
expect "the scalable icon is there" "$(find "$icons/scalable/apps" -name "$icon.svg" | wc -l)" 1
sizes=0
for png in "$icons"/*/apps/"$icon".png; do
    [ -e "$png" ] || continue
    size=$(basename "$(dirname "$(dirname "$png")")")
    expect "the $size icon has its size" "$(identify -format '%wx%h' "$png")" "$size"
    # Transparent corners around an opaque middle: painted, not blank.
    expect "the $size icon is painted on a transparent ground" \
        "$(convert "$png" -format '%[fx:p{0,0}.a]/%[fx:p{w/2,h/2}.a]' info:)" "0/1"
    sizes=$((sizes + 1))
done
expect "the icon comes in the usual sizes" "$([ "$sizes" -ge 5 ] && [ -e "$icons/48x48/apps/$icon.png" ] &&
    echo yes)" yes

# Manual pages: readable without warnings, and every option of the program described.
for page in tavox95 tavox-reg; do
    file=$root/share/man/man1/$page.1.gz
    expect "man reads $page(1) without a warning" \
        "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null | head -n 3)" ""
done
help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/tavox95" --help 2>&1)
manual=$(zcat "$root/share/man/man1/tavox95.1.gz" | sed 's/\\-/-/g')
mapfile -t options < <(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
expect "--help lists the options" "$([ "${#options[@]}" -ge 10 ] && echo yes)" yes
for option in "${options[@]}"; do
    expect "the manual describes $option" "$(grep -qE -- "^\.[A-Z]+ (.* )?$option( |\$)" <<<"$manual" && echo yes)" yes
done
expect "the copyright file is in the documentation" "$([ -s "$root/share/doc/tavox95/copyright" ] && echo yes)" yes

e2e_result
