/* SETUP.EXE of the tiny demo: installs as the setup programs of the time did, without asking anything.
   The game goes into "Program Files\Tiny" with a log of what was made; the uninstaller goes into the
   Windows directory (shared uninstallers lived there, and a program cannot delete itself while it runs)
   and is registered with the log after -f, so that the uninstall entry names the installed directory. */
#include "tiny.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

static int join(char* out, size_t size, const char* dir, const char* name) {
    return snprintf(out, size, "%s\\%s", dir, name) < (int)size;
}

static int set_string(HKEY key, const char* name, const char* value) {
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1) ==
           ERROR_SUCCESS;
}

static int write_key(HKEY root, const char* path, const char* names[], const char* values[], int count) {
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS) {
        return 0;
    }
    int ok = 1;
    for (int i = 0; ok && i < count; ++i) {
        ok = set_string(key, names[i], values[i]);
    }
    RegCloseKey(key);
    return ok;
}

static int install(void) {
    char source_dir[MAX_PATH], windows_dir[MAX_PATH], target[MAX_PATH];
    char source[MAX_PATH], game[MAX_PATH], uninstaller[MAX_PATH], log_path[MAX_PATH];
    char uninstall_command[3 * MAX_PATH];

    /* The files to install lie next to the setup program on the CD. */
    DWORD length = GetModuleFileNameA(NULL, source_dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || strrchr(source_dir, '\\') == NULL) {
        return 0;
    }
    *strrchr(source_dir, '\\') = '\0';
    char program_files[MAX_PATH];
    length = GetEnvironmentVariableA("ProgramFiles", program_files, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        strcpy(program_files, "C:\\Program Files");
    }
    length = GetWindowsDirectoryA(windows_dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return 0;
    }
    if (!join(target, sizeof target, program_files, "Tiny") || !join(game, sizeof game, target, TINY_GAME) ||
        !join(log_path, sizeof log_path, target, TINY_LOG) ||
        !join(uninstaller, sizeof uninstaller, windows_dir, TINY_UNINSTALLER) ||
        snprintf(uninstall_command, sizeof uninstall_command, "%s -f\"%s\"", uninstaller, log_path) >=
            (int)sizeof uninstall_command) {
        return 0;
    }

    if (!CreateDirectoryA(target, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return 0;
    }
    if (!join(source, sizeof source, source_dir, TINY_GAME) || !CopyFileA(source, game, FALSE) ||
        !join(source, sizeof source, source_dir, TINY_UNINSTALLER) ||
        !CopyFileA(source, uninstaller, FALSE)) {
        return 0;
    }

    /* Undone from the last line up. */
    FILE* log = fopen(log_path, "w");
    if (log == NULL) {
        return 0;
    }
    fprintf(log, "Dir=%s\nFile=%s\nKey=%s\n", target, game, TINY_UNINSTALL_KEY);
    if (fclose(log) != 0) {
        return 0;
    }

    const char* uninstall_names[] = {"DisplayName", "UninstallString", "InstallLocation"};
    const char* uninstall_values[] = {"Tiny", uninstall_command, target};
    const char* user_names[] = {"Player"};
    const char* user_values[] = {"Anonymous"};
    return write_key(HKEY_LOCAL_MACHINE, TINY_UNINSTALL_KEY, uninstall_names, uninstall_values, 3) &&
           write_key(HKEY_CURRENT_USER, TINY_USER_KEY, user_names, user_values, 1);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)command_line;
    (void)show;
    return install() ? 0 : 1;
}
