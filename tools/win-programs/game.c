/* The games, shareware and other programs of the sample CD: a small window that names the program and ends
   on a key press, a click on its face or when it is closed. The name is the program file's own (MLOK.EXE),
   so one program serves every item. */
#include <string.h>
#include <windows.h>

static char program_name[MAX_PATH] = "GAME.EXE";

static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        static const char hint[] = "\n\nof the sample TAVOX CD\n\nPress a key to end.";
        char text[MAX_PATH + sizeof hint];
        strcpy(text, program_name);
        strcat(text, hint);
        SetBkMode(dc, TRANSPARENT);
        area.top += 24;
        DrawTextA(dc, text, -1, &area, DT_CENTER | DT_NOPREFIX);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_LBUTTONUP:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)previous;
    (void)command_line;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    const char* slash = length > 0 && length < sizeof path ? strrchr(path, '\\') : NULL;
    if (slash != NULL) {
        strcpy(program_name, slash + 1);
    }

    WNDCLASSA window_class = {0};
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
    window_class.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    window_class.lpszClassName = "TavoxSampleGame";
    if (!RegisterClassA(&window_class)) {
        return 1;
    }
    /* The caption is the name without its extension, as the games' own windows read. */
    char caption[MAX_PATH];
    strcpy(caption, program_name);
    char* dot = strrchr(caption, '.');
    if (dot != NULL) {
        *dot = '\0';
    }
    HWND window = CreateWindowA("TavoxSampleGame", caption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                CW_USEDEFAULT, CW_USEDEFAULT, 320, 160, NULL, NULL, instance, NULL);
    if (window == NULL) {
        return 1;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
