/* What the tiny setup and its uninstaller agree on. */
#ifndef TINY_H
#define TINY_H

#define TINY_UNINSTALL_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tiny"
/* Settings the game keeps per user; the uninstaller leaves them, as many did, for the menu to clean up. */
#define TINY_USER_KEY "Software\\Tiny Soft\\Tiny"
#define TINY_GAME "TINY.EXE"
#define TINY_UNINSTALLER "TINYUNIN.EXE"
#define TINY_LOG "UNINST.LOG"

#endif
