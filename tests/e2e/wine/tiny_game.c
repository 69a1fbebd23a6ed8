/* TINY.EXE: the game that the tiny setup installs. It only has to be a real Windows program; when run it
   says hello and ends. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)command_line;
    (void)show;
    MessageBoxA(NULL, "Tiny is installed.", "Tiny", MB_OK);
    return 0;
}
