/* TINYUNIN.EXE -f"LOG": undoes what the tiny setup wrote into its log, from the last line up, and the log
   itself. Lines are "File=path", "Dir=path" (removed when empty) and "Key=path" (under
   HKEY_LOCAL_MACHINE). The exit code is 0 when everything went. */
#include "tiny.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#define MAX_LINES 32

/* The log named after -f, from the arguments as the C runtime splits them: the command line itself reads
   differently on the way through Wine, which quotes every argument anew. */
static int log_path_from(int argc, char** argv, char* out, size_t size) {
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "-f", 2) == 0 && argv[i][2] != '\0' && strlen(argv[i] + 2) < size) {
            strcpy(out, argv[i] + 2);
            return 1;
        }
    }
    return 0;
}

static int undo(const char* line) {
    if (strncmp(line, "File=", 5) == 0) {
        return DeleteFileA(line + 5);
    }
    if (strncmp(line, "Dir=", 4) == 0) {
        return RemoveDirectoryA(line + 4);
    }
    if (strncmp(line, "Key=", 4) == 0) {
        return RegDeleteKeyA(HKEY_LOCAL_MACHINE, line + 4) == ERROR_SUCCESS;
    }
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)command_line;
    (void)show;
    char log_path[MAX_PATH];
    static char lines[MAX_LINES][2 * MAX_PATH];
    int count = 0;

    if (!log_path_from(__argc, __argv, log_path, sizeof log_path)) {
        return 2;
    }
    FILE* log = fopen(log_path, "r");
    if (log == NULL) {
        return 2;
    }
    while (count < MAX_LINES && fgets(lines[count], sizeof lines[count], log) != NULL) {
        lines[count][strcspn(lines[count], "\r\n")] = '\0';
        ++count;
    }
    fclose(log);
    /* The log lies in the directory that is removed last. */
    int ok = DeleteFileA(log_path);
    while (count > 0) {
        ok = undo(lines[--count]) && ok;
    }
    return ok ? 0 : 1;
}
