/* The setup programs and uninstallers of the sample CD. Each carries out the script that lies beside it with
   its own name and the extension .INF (SETUP.EXE reads SETUP.INF), line by line, and ends; it asks nothing,
   as the quiet setups of the time did. A line is a step and its fields, separated by "|":

     ONLY|/U                       the rest only when the first argument is this (case ignored); else end
     CANCEL|path                   end at once, removing nothing, while this file exists
     ASIDE                         move this program out of the directory that the script removes
     DIR|path                      make the directory and its parents
     COPY|from|to                  copy a file
     TEXT|path|line                write a file of one line
     INI|file|section|key|value    set a key of a profile file
     REG|HKLM\key|name|value       set a string value (HKLM or HKCU)
     UNREG|HKLM\key                delete a key with its subkeys
     LINK|path|target              make a shortcut
     DEL|path                      delete a file
     PRUNE|path                    remove a directory and the parents that became empty

   A field may start with %T (this program's directory), %W (the Windows directory), %D (the desktop) or %P
   (the Start menu's programs). Lines starting with ";" are comments. The first step that fails ends the
   program with exit code 1, after a line on standard error; a missing or malformed script gives 2. */
#include "sample_program.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

#define MAX_LINE (SP_MAX_FIELDS * SP_MAX_TEXT)

enum outcome { DONE, NEXT, FAILED, MALFORMED };

struct step {
    const char* name;
    int fields; /* after the name */
    int (*run)(char field[][SP_MAX_TEXT]);
};

static int run_dir(char f[][SP_MAX_TEXT]) {
    return sp_make_dir(f[0]);
}
static int run_copy(char f[][SP_MAX_TEXT]) {
    return sp_copy(f[0], f[1]);
}
static int run_text(char f[][SP_MAX_TEXT]) {
    return sp_write_line(f[0], f[1]);
}
static int run_ini(char f[][SP_MAX_TEXT]) {
    return sp_write_profile(f[0], f[1], f[2], f[3]);
}
static int run_reg(char f[][SP_MAX_TEXT]) {
    return sp_write_registry(f[0], f[1], f[2]);
}
static int run_unreg(char f[][SP_MAX_TEXT]) {
    return sp_delete_registry(f[0]);
}
static int run_link(char f[][SP_MAX_TEXT]) {
    return sp_write_shortcut(f[0], f[1]);
}
static int run_del(char f[][SP_MAX_TEXT]) {
    return sp_delete_file(f[0]);
}
static int run_prune(char f[][SP_MAX_TEXT]) {
    return sp_prune(f[0]);
}
static int run_aside(char f[][SP_MAX_TEXT]) {
    (void)f;
    return sp_step_aside();
}

static const struct step steps[] = {
    {"DIR", 1, run_dir},     {"COPY", 2, run_copy},   {"TEXT", 2, run_text}, {"INI", 4, run_ini},
    {"REG", 3, run_reg},     {"UNREG", 1, run_unreg}, {"LINK", 2, run_link}, {"DEL", 1, run_del},
    {"PRUNE", 1, run_prune}, {"ASIDE", 0, run_aside},
};

/* Splits the line at "|" into the name and expanded fields; the count of fields, or -1. */
static int split(char* line, char** name, char field[][SP_MAX_TEXT]) {
    int count = 0;
    *name = line;
    char* bar = strchr(line, '|');
    while (bar != NULL) {
        *bar = '\0';
        char* start = bar + 1;
        bar = strchr(start, '|');
        if (bar != NULL) {
            *bar = '\0';
        }
        if (count == SP_MAX_FIELDS || !sp_expand(start, field[count], SP_MAX_TEXT)) {
            return -1;
        }
        ++count;
        if (bar != NULL) {
            *bar = '|';
        }
    }
    return count;
}

static enum outcome run_line(char* line, const char* first_argument) {
    char field[SP_MAX_FIELDS][SP_MAX_TEXT];
    char* name = NULL;
    line[strcspn(line, "\r\n")] = '\0';
    if (line[0] == '\0' || line[0] == ';') {
        return NEXT;
    }
    int count = split(line, &name, field);
    if (count < 0) {
        return MALFORMED;
    }
    if (strcmp(name, "ONLY") == 0 && count == 1) {
        return _stricmp(first_argument, field[0]) == 0 ? NEXT : DONE;
    }
    if (strcmp(name, "CANCEL") == 0 && count == 1) {
        return GetFileAttributesA(field[0]) == INVALID_FILE_ATTRIBUTES ? NEXT : DONE;
    }
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        if (strcmp(name, steps[i].name) == 0 && count == steps[i].fields) {
            return steps[i].run(field) ? NEXT : FAILED;
        }
    }
    return MALFORMED;
}

/* The script's path: this program's own, with .INF for its extension. */
static int script_path(char* out, size_t size) {
    DWORD length = GetModuleFileNameA(NULL, out, (DWORD)size);
    char* dot = length > 0 && length < size ? strrchr(out, '.') : NULL;
    if (dot == NULL || strchr(dot, '\\') != NULL || (size_t)(dot - out) + 5 > size) {
        return 0;
    }
    strcpy(dot, ".INF");
    return 1;
}

int main(int argc, char** argv) {
    char path[MAX_PATH];
    if (!script_path(path, sizeof path)) {
        return 2;
    }
    /* Read whole first: the script may delete itself. */
    static char lines[64][MAX_LINE];
    int count = 0;
    FILE* script = fopen(path, "rb");
    if (script == NULL) {
        fprintf(stderr, "%s: cannot read the script\n", path);
        return 2;
    }
    while (count < 64 && fgets(lines[count], sizeof lines[count], script) != NULL) {
        ++count;
    }
    int too_long = !feof(script);
    fclose(script);
    if (too_long) {
        fprintf(stderr, "%s: the script is too long\n", path);
        return 2;
    }
    const char* first_argument = argc > 1 ? argv[1] : "";
    for (int i = 0; i < count; ++i) {
        switch (run_line(lines[i], first_argument)) {
        case DONE:
            return 0;
        case NEXT:
            break;
        case FAILED:
            fprintf(stderr, "%s: line %d failed: %s (error %lu)\n", path, i + 1, lines[i],
                    (unsigned long)GetLastError());
            return 1;
        case MALFORMED:
            fprintf(stderr, "%s: line %d is not a step: %s\n", path, i + 1, lines[i]);
            return 2;
        }
    }
    return 0;
}
