#include "ui/main_window.h"

#include "ui/background.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/tray_icon.h"

HINSTANCE g_instance;
HWND g_mainWindow;

static const char kClassName[] = "wcBackdropCarousel";
static const char kTitle[] = "BackdropCarousel - v2.0";
static const int kWidth = 600;
static const int kHeight = 260;

bool RegisterMainWindowClass(HINSTANCE instance, HICON largeIcon, HICON smallIcon)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = largeIcon;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kClassName;
    windowClass.hIconSm = smallIcon;
    return RegisterClassExA(&windowClass) != 0;
}

// The message by which a second start asks for the window.
static UINT ShowWindowMessage()
{
    static const UINT message = RegisterWindowMessageA(kShowWindowMessageName);
    return message;
}

HWND CreateMainWindow(HINSTANCE instance)
{
    // A caption with a close box only: no minimise or maximise, a fixed size.
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - kWidth / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - kHeight / 2;
    HWND window = CreateWindowExA(0, kClassName, kTitle, WS_SYSMENU, x, y, kWidth, kHeight, nullptr, nullptr, instance,
                                  nullptr);
    // A copy run as administrator would otherwise not hear a second start
    // with lesser rights: Windows filters its messages out (UIPI).
    if (window)
        ChangeWindowMessageFilterEx(window, ShowWindowMessage(), MSGFLT_ALLOW, nullptr);
    return window;
}

void ShowRunningInstance()
{
    // The first instance may still be starting up: give it a few seconds.
    for (int attempt = 0; attempt < 50; ++attempt) {
        HWND window = FindWindowA(kClassName, nullptr);
        if (window) {
            // This copy may neither show nor bring forward the window of a
            // copy run as administrator: it asks that copy to, and lends it
            // the right to take the foreground that this start was given.
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            AllowSetForegroundWindow(processId);
            PostMessageA(window, ShowWindowMessage(), 0, 0);
            return;
        }
        Sleep(100);
    }
}

// As a double click on the tray icon does, and in front: the user has just
// started the program to reach it.
static LRESULT OnShowWindowRequest(HWND window)
{
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    return 0;
}

// Windows asks before the session ends, and Restart Manager before an
// installer replaces the program: nothing is left unsaved, so it may end.
static LRESULT OnQueryEndSession()
{
    return TRUE;
}

// The session ends, or Restart Manager closes the program for an installer
// (ENDSESSION_CLOSEAPP): it ends as "Exit" ends it, icon removed and exit
// code 0. Restart Manager would otherwise follow with WM_CLOSE, which only
// hides the window, and the installer would have to wait for a reboot.
static LRESULT OnEndSession(HWND window, bool ending)
{
    if (ending)
        DestroyWindow(window);
    return 0;
}

static LRESULT OnTimer(UINT_PTR timerId)
{
    switch (timerId) {
    case IDT_ROTATION:
        return OnRotationTimer();
    case IDT_TRAY_RETRY:
        return OnTrayRetry();
    }
    return 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The shell announces a restart, and a second start asks for the window,
    // with registered messages, which cannot be case labels.
    if (message == TaskbarCreatedMessage())
        return OnTaskbarCreated();
    if (message == ShowWindowMessage())
        return OnShowWindowRequest(window);

    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:
        return OnClose(window);
    case WM_TIMER:
        return OnTimer(wParam);
    case WM_TRAYICON:
        return OnTrayIcon(window, LOWORD(lParam));
    case WM_MENUCOMMAND:
        return OnTrayMenuCommand(window, wParam);
    case WM_DESTROY:
        return OnDestroy();
    case WM_QUERYENDSESSION:
        return OnQueryEndSession();
    case WM_ENDSESSION:
        return OnEndSession(window, wParam != FALSE);
    case WM_PAINT:
        return OnPaint(window);
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
