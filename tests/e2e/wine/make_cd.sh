#!/usr/bin/env bash
# Writes a one-demo CD whose demo is a real Windows setup: the tiny game, its setup program (install type 5,
# waited for) and its uninstaller, built with MinGW, and the catalogue \TAVOX\TAVOX95.INI that describes them.
# The setup registers an uninstall command that names its log after -f", so the menu finds the installed
# directory through the registry (DirDetect 1).
# Usage: make_cd.sh CD_DIR
set -euo pipefail
cd_dir=$1
sources=$(dirname "$(realpath "$0")")
cc=${MINGW_CC:-x86_64-w64-mingw32-gcc}

mkdir -p "$cd_dir/TAVOX" "$cd_dir/DEMOS/TINY"
build() { # output source
    "$cc" -std=c99 -O2 -Wall -Wextra -Werror -mwindows -s -o "$cd_dir/DEMOS/TINY/$1" "$sources/$2"
}
build TINY.EXE tiny_game.c
build SETUP.EXE tiny_setup.c
build TINYUNIN.EXE tiny_uninstall.c

# The catalogue is 8-bit text with CRLF lines, as the CDs carried it. The menu's script removes the
# settings that the game's own uninstaller leaves behind.
sed 's/$/\r/' >"$cd_dir/TAVOX/TAVOX95.INI" <<'INI'
[Main]
Demos=1
CD=0398
Version=1

[Demo1]
Name=Tiny
FullName=Tiny: the smallest game
Firm=Tiny Soft
Date=0398
Picture=NUL
Describe0=A game so small that its setup fits in a few kilobytes.
Describe1=Hra tak mala, ze se jeji instalace vejde do nekolika kilobajtu.
Techinfo=Win95, 386, 4 MB RAM
InstallDir=TINY
InstallName=SETUP.EXE
Gamename=TINY.EXE
RegUninstall=Tiny
Uninstall=RUDSoftware\Tiny Soft
InstallType=5
DirDetect=1
INI
