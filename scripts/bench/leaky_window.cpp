// A deliberately bad window program that answers the benchmark's stimuli the
// wrong way, so that every figure the benchmark prints can be seen to move:
// each tick re-reads the folder from its start and keeps an open file (a
// handle, and a file descriptor once read) and 4 KB of memory, each repaint
// keeps a brush, each style change keeps a new window, and a 10 ms timer
// wakes it up all the time. It takes the folder from the settings.ini beside
// it, as the program does.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

static const UINT_PTR kRotationTimer = 4000;  // the program's, sent by the driver
static const UINT_PTR kPollTimer = 1;
static const int kStyleCombo = 500;

// The kept blocks, chained from a global the compiler cannot prove unused.
void *g_memory;
static std::string g_settings;
static std::string g_pattern;
static int g_step;

static void ReadSettings()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    g_settings = path;
    g_settings = g_settings.substr(0, g_settings.find_last_of('\\')) + "\\settings.ini";
    char folder[MAX_PATH] = "";
    GetPrivateProfileStringA("Settings", "wallpaperDir", "", folder, sizeof folder, g_settings.c_str());
    g_pattern = std::string(folder) + "\\*.jpg";
}

static void Tick()
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(g_pattern.c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        for (int i = 0; i < g_step && FindNextFileA(search, &entry); ++i)
            continue;
        FindClose(search);
    }
    ++g_step;

    HANDLE kept = CreateFileA(g_settings.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    char first;
    DWORD read;
    ReadFile(kept, &first, sizeof first, &read, nullptr);
    auto **block = static_cast<void **>(malloc(4096));
    if (block) {
        memset(block, g_step, 4096);
        *block = g_memory;
        g_memory = block;
    }
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == kRotationTimer)
            Tick();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        FillRect(dc, &paint.rcPaint, CreateSolidBrush(RGB(g_step % 256, 128, 64)));
        EndPaint(window, &paint);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kStyleCombo && HIWORD(wParam) == CBN_SELCHANGE)
            CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 10, 10, window, nullptr, nullptr, nullptr);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    ReadSettings();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "wcBenchLeaky";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("wcBenchLeaky", "Leaky window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                CW_USEDEFAULT, 600, 260, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, showCommand);
    SetTimer(window, kPollTimer, 10, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
