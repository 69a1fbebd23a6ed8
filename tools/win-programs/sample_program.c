/* The steps of the sample CD's setup programs and uninstallers, through the Windows API alone, so that
   Wine (or Windows) does on the machine exactly what a setup program of the time did. */
#define _WIN32_WINNT 0x0600
#define COBJMACROS
#include "sample_program.h"

#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

static int gone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

static int own_dir(char* out, size_t size) {
    DWORD length = GetModuleFileNameA(NULL, out, (DWORD)size);
    char* slash = length > 0 && length < size ? strrchr(out, '\\') : NULL;
    if (slash == NULL) {
        return 0;
    }
    *slash = '\0';
    return 1;
}

int sp_expand(const char* text, char* out, size_t size) {
    char dir[MAX_PATH] = "";
    const char* rest = text;
    if (text[0] == '%' && text[1] != '\0') {
        int ok = 0;
        switch (text[1]) {
        case 'T':
            ok = own_dir(dir, sizeof dir);
            break;
        case 'W': {
            UINT length = GetWindowsDirectoryA(dir, sizeof dir);
            ok = length > 0 && length < sizeof dir;
            break;
        }
        case 'D':
            ok = SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, NULL, 0, dir));
            break;
        case 'P':
            ok = SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_PROGRAMS | CSIDL_FLAG_CREATE, NULL, 0, dir));
            break;
        }
        if (!ok) {
            return 0;
        }
        rest = text + 2;
    }
    return snprintf(out, size, "%s%s", dir, rest) < (int)size;
}

/* The directory part of a path, or nothing when it has none. */
static int parent_of(const char* path, char* out, size_t size) {
    const char* slash = strrchr(path, '\\');
    if (slash == NULL || (size_t)(slash - path) >= size) {
        return 0;
    }
    memcpy(out, path, (size_t)(slash - path));
    out[slash - path] = '\0';
    return 1;
}

int sp_make_dir(const char* path) {
    if (CreateDirectoryA(path, NULL) || GetLastError() == ERROR_ALREADY_EXISTS) {
        return 1;
    }
    char parent[SP_MAX_TEXT];
    /* A drive ("C:") ends the climb: it exists or nothing can be made on it. */
    return GetLastError() == ERROR_PATH_NOT_FOUND && parent_of(path, parent, sizeof parent) &&
           strlen(parent) > 2 && sp_make_dir(parent) && CreateDirectoryA(path, NULL);
}

static int make_parent(const char* path) {
    char parent[SP_MAX_TEXT];
    return parent_of(path, parent, sizeof parent) && (strlen(parent) <= 2 || sp_make_dir(parent));
}

int sp_copy(const char* from, const char* to) {
    /* Files from a CD are read-only; installed ones must not be. */
    return make_parent(to) && CopyFileA(from, to, FALSE) && SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
}

int sp_write_line(const char* path, const char* line) {
    if (!make_parent(path)) {
        return 0;
    }
    FILE* file = fopen(path, "wb");
    if (file == NULL) {
        return 0;
    }
    int ok = fprintf(file, "%s\r\n", line) > 0;
    return fclose(file) == 0 && ok;
}

int sp_write_profile(const char* file, const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, file);
}

/* The root of "HKLM\..." or "HKCU\...", and where the key's path starts. */
static HKEY split_root(const char* key, const char** path) {
    if (strncmp(key, "HKLM\\", 5) == 0) {
        *path = key + 5;
        return HKEY_LOCAL_MACHINE;
    }
    if (strncmp(key, "HKCU\\", 5) == 0) {
        *path = key + 5;
        return HKEY_CURRENT_USER;
    }
    return NULL;
}

int sp_write_registry(const char* key, const char* name, const char* value) {
    const char* path = NULL;
    HKEY root = split_root(key, &path);
    HKEY opened;
    if (root == NULL ||
        RegCreateKeyExA(root, path, 0, NULL, 0, KEY_WRITE, NULL, &opened, NULL) != ERROR_SUCCESS) {
        return 0;
    }
    int ok = RegSetValueExA(opened, name, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1) ==
             ERROR_SUCCESS;
    RegCloseKey(opened);
    return ok;
}

int sp_delete_registry(const char* key) {
    const char* path = NULL;
    HKEY root = split_root(key, &path);
    if (root == NULL) {
        return 0;
    }
    LONG result = RegDeleteTreeA(root, path);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

int sp_write_shortcut(const char* path, const char* target) {
    WCHAR wide_path[MAX_PATH];
    if (!make_parent(path) || MultiByteToWideChar(CP_ACP, 0, path, -1, wide_path, MAX_PATH) == 0) {
        return 0;
    }
    HRESULT init = CoInitialize(NULL);
    IShellLinkA* link = NULL;
    IPersistFile* file = NULL;
    int ok = SUCCEEDED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkA,
                                        (void**)&link)) &&
             SUCCEEDED(IShellLinkA_SetPath(link, target)) &&
             SUCCEEDED(IShellLinkA_QueryInterface(link, &IID_IPersistFile, (void**)&file)) &&
             SUCCEEDED(IPersistFile_Save(file, wide_path, TRUE));
    if (file != NULL) {
        IPersistFile_Release(file);
    }
    if (link != NULL) {
        IShellLinkA_Release(link);
    }
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return ok;
}

int sp_delete_file(const char* path) {
    if (DeleteFileA(path) || gone(GetLastError())) {
        return 1;
    }
    return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) && DeleteFileA(path);
}

int sp_prune(const char* path) {
    char dir[SP_MAX_TEXT];
    if (snprintf(dir, sizeof dir, "%s", path) >= (int)sizeof dir) {
        return 0;
    }
    /* No program can remove the directory it works in, which is often the one it was started from. */
    char windows_dir[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows_dir, sizeof windows_dir);
    if (length == 0 || length >= sizeof windows_dir || !SetCurrentDirectoryA(windows_dir)) {
        return 0;
    }
    /* A directory that still holds files (saved games, say) stays for whoever removes those. */
    int removed = RemoveDirectoryA(dir);
    if (!removed && !gone(GetLastError()) && GetLastError() != ERROR_DIR_NOT_EMPTY) {
        return 0;
    }
    /* Above the drive's root ("C:\") nothing is removed. */
    while (removed && parent_of(dir, dir, sizeof dir) && strlen(dir) > 2) {
        removed = RemoveDirectoryA(dir);
    }
    return 1;
}

int sp_step_aside(void) {
    char self[MAX_PATH], temp_dir[MAX_PATH], aside[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    DWORD temp_length = GetTempPathA(sizeof temp_dir, temp_dir);
    return length > 0 && length < sizeof self && temp_length > 0 && temp_length < sizeof temp_dir &&
           GetTempFileNameA(temp_dir, "set", 0, aside) != 0 &&
           MoveFileExA(self, aside, MOVEFILE_REPLACE_EXISTING) &&
           MoveFileExA(aside, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}
