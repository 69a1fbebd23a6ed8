#!/usr/bin/env bash
# The Debian package of this build, checked as apt and a user would meet it: its name and fields, lintian,
# then unpacked into a root of its own and started from there: a snapshot of the sample CD, and an archive
# item installed by keyboard, unpacked by the decoder inside that root (not the one in the build tree).
# Usage: deb_test.sh BUILD_DIR VERSION SAMPLE_CD SHARED_DIR
here=$(dirname "$(realpath "$0")")
build=$(realpath "$1")
version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps lintian Xvfb xdotool convert; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
# The end-to-end library brings the private X server, the menu's start and the waits; the program it starts
# is the unpacked one.
# shellcheck source=tests/e2e/lib.sh
source "$here/../e2e/lib.sh" "" "$3" "$build"

deb=$work/out/tavox95_${version}_amd64.deb
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { echo "FAILED: cpack"; cat "$work/cpack.log"; exit 1; }
expect "the package has its Debian name" "$(state "$deb")" present
[ -e "$deb" ] || exit 1

field() { dpkg-deb --field "$deb" "$1"; }
expect "the package's version is the project's" "$(field Version)" "$version"
expect "the engines are recommended" "$(field Recommends)" "wine, dosbox, unar"
expect "32-bit Wine is suggested" "$(field Suggests)" "wine32"
# Computed from the programs: the menu's Qt and the decoder's libraries are both there.
depends=$(field Depends)
for library in libqt6widgets6 libunarr1 libarchive13; do
    expect "the package depends on $library" "$(grep -c "$library" <<<"$depends")" 1
done

lintian_status=0
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
expect "lintian finds no error" "$lintian_status $(grep -c '^E:' "$work/lintian.log")" "0 0"
sed 's/^/  lintian: /' "$work/lintian.log"

root=$work/root
dpkg-deb -x "$deb" "$root"
e2e_program=$root/usr/bin/tavox95
expect "the unpacked menu gives its version" "$("$e2e_program" --version)" "tavox95 $version"

# The decoder inside the root marks each start, so that the test sees which decoder the menu found.
worker=$root/usr/libexec/tavox95/tavox95-unrar
mv "$worker" "$worker.real"
cat >"$worker" <<WRAPPER
#!/bin/sh
echo "\$0" >>"$work/worker-starts"
exec "\$0.real" "\$@"
WRAPPER
chmod 755 "$worker"

start_display
QT_QPA_PLATFORM=xcb "$e2e_program" A --machine "$work/snapshot-machine" --cd "$e2e_cd" --runner "" \
    --opener true --snapshot "$work/snapshot.png" 2>>"$work/menu.log"
expect "the unpacked menu writes a snapshot of its window" \
    "$(identify -format '%wx%h' "$work/snapshot.png" 2>/dev/null)" 640x480

# Hradby: an archive forced into its own directory; Yes, and it is unpacked. On a copy of the CD whose archive
# is a compressed one (RAR 2.0, as discs of the time carry), which only the decoder unpacks; where the real
# archives are absent, the CD's own stored archive, which needs no decoder.
cd=$work/cd
cp -r "$e2e_cd" "$cd"
e2e_cd=$cd
fixture=$4/fixtures/rar/rar2-unix-owner.rar
compressed=no
if [ -e "$fixture" ]; then
    cp "$fixture" "$cd/DEMOS/HRADBY/HRADBY.RAR"
    compressed=yes
fi
choose_language 1
start_menu
await "the demos page is ready" "srgb(192,192,192)" list_border
press_install 4
answer_yes
hradby=$work/machine/drive_c/HRADBY
if [ "$compressed" = yes ]; then
    await "the compressed archive is unpacked" present state "$hradby/file.txt"
    await "the unpacked file is whole" foo cat "$hradby/file.txt"
    expect "the menu used the decoder of its own root" "$(sort -u "$work/worker-starts" 2>/dev/null)" "$worker"
else
    await "the archive is unpacked" present state "$hradby/HRADBY.EXE"
    echo "skipped: which decoder the menu finds (needs $fixture)"
fi

e2e_result
