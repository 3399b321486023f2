// Entry point: brings up the platform services in a fixed order, creates the
// main window, the tray menu and icon, runs the message loop and tears the
// services down again.
#include "rotation/rotation_control.h"
#include "rotation/wallpaper_applier.h"
#include "settings/settings_file.h"
#include "ui/main_window.h"
#include "ui/messages.h"
#include "ui/tray_icon.h"

#include <objbase.h>
#include <commctrl.h>
#include <gdiplus.h>

static std::wstring DefaultImageFolder()
{
    wchar_t windowsDirectory[MAX_PATH];
    UINT length = GetWindowsDirectoryW(windowsDirectory, ARRAYSIZE(windowsDirectory));
    // On a failure the buffer holds no text: the folder box starts empty.
    if (length == 0 || length >= ARRAYSIZE(windowsDirectory))
        return L"";
    return std::wstring(windowsDirectory) + L"\\Web\\Wallpaper";
}

// One instance per session: a second one would undo the first one's saved
// settings. The mutex is held until this process ends.
static bool AnotherInstanceRuns()
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Local\\BackdropCarousel");
    DWORD error = GetLastError();
    // A copy started as administrator holds a mutex that this one is refused
    // rather than given.
    return mutex ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

// Creates the main window, the tray menu and icon, and runs the message loop
// until the program ends; returns the exit code. Without a window there is
// nothing to show or to reach: the start ends with a message.
static int RunMainWindow(HINSTANCE instance)
{
    HICON smallIcon = static_cast<HICON>(LoadImageA(instance, "IDI_ICON_SM", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    HICON largeIcon = LoadIconA(instance, "IDI_ICON_LG");
    HWND window = RegisterMainWindowClass(instance, largeIcon, smallIcon) ? CreateMainWindow(instance) : nullptr;
    if (!window) {
        ShowError("Failed to create the main window!");
        return 1;
    }

    CreateTrayMenu();
    AddTrayIcon(window, smallIcon);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    // Restart Manager may then close the program for an installer and start
    // the new version afterwards, with no arguments. Not after a crash or a
    // hang, and not after a reboot, where "Start with Windows" starts it.
    RegisterApplicationRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);

    MSG message = {};
    // GetMessage returns -1 on failure; only a positive result carries a
    // message. The wide loop hands typed and composed characters of any
    // script to the boxes whole.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

// With the annotations of the declaration in the platform's headers, which
// Visual Studio's code analysis requires of the definition too.
int WINAPI WinMain(_In_ HINSTANCE instance, _In_opt_ HINSTANCE, _In_ LPSTR, _In_ int)
{
    if (AnotherInstanceRuns()) {
        ShowRunningInstance();
        return 0;
    }

    // Only a successful start of COM is ended at exit.
    HRESULT com = CoInitialize(nullptr);
    InitCommonControls();
    CreateWallpaperApplier();
    // Without its own path the program cannot find its settings: it still
    // comes up, and quits once the loop reaches this message.
    if (!BuildSettingsPath())
        PostQuitMessage(0);
    else if (!WaitUntilSettingsReadable())
        ShowError("Your settings could not be read!");
    else
        ConvertSettingsToUnicode();

    ULONG_PTR gdiplusToken;
    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
    g_instance = instance;
    g_imageFolder = DefaultImageFolder();

    int exitCode = RunMainWindow(instance);

    ReleaseWallpaperApplier();
    Gdiplus::GdiplusShutdown(gdiplusToken);
    if (SUCCEEDED(com))
        CoUninitialize();
    return exitCode;
}
