#include "ui/tray_icon.h"

#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/messages.h"

#include <shellapi.h>

#include <cstring>

static NOTIFYICONDATAA g_trayIcon;
static HMENU g_trayMenu;
static int g_trayRetriesLeft;  // while the taskbar is awaited
static int g_exitCode;         // 1 once the program ends for want of the icon

// A taskbar still starting at log-on, or restarting, is given a minute to
// take the icon.
constexpr UINT kTrayRetryMillis = 2000;
constexpr int kTrayRetries = 30;

enum TrayMenuPosition { kStartRotationItem = 0, kExitItem = 1 };

// Inserting by a command id that no item has appends at the end.
static void AppendTrayMenuItem(UINT absentId, const char *text)
{
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = const_cast<char *>(text);
    InsertMenuItemA(g_trayMenu, absentId, FALSE, &item);
}

void CreateTrayMenu()
{
    g_trayMenu = CreatePopupMenu();
    // Choices arrive as WM_MENUCOMMAND with the item's position.
    MENUINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = MIM_STYLE;
    info.dwStyle = MNS_NOTIFYBYPOS;
    SetMenuInfo(g_trayMenu, &info);
    AppendTrayMenuItem(5001, "Start rotation");
    AppendTrayMenuItem(5000, "Exit");
}

// The shell may take the icon and still time out its answer; the icon is
// then there all the same, and a second add would be refused.
static bool PutIconInTray()
{
    return Shell_NotifyIconA(NIM_ADD, &g_trayIcon) || Shell_NotifyIconA(NIM_MODIFY, &g_trayIcon);
}

// Tries again every few seconds, from a full count of retries; a timer that
// is already running is replaced.
static void WaitForTray()
{
    g_trayRetriesLeft = kTrayRetries;
    SetTimer(g_trayIcon.hWnd, IDT_TRAY_RETRY, kTrayRetryMillis, nullptr);
}

void AddTrayIcon(HWND window, HICON icon)
{
    ZeroMemory(&g_trayIcon, sizeof g_trayIcon);
    g_trayIcon.cbSize = sizeof g_trayIcon;
    g_trayIcon.hWnd = window;
    g_trayIcon.uID = ID_TRAY_ICON;
    g_trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_trayIcon.uCallbackMessage = WM_TRAYICON;
    g_trayIcon.hIcon = icon;
    strcpy_s(g_trayIcon.szTip, sizeof g_trayIcon.szTip, "BackdropCarousel");
    // A copy run as administrator would otherwise never hear from a
    // restarted shell, which runs with lesser rights.
    ChangeWindowMessageFilterEx(window, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
    // Started from a Run key, the program may come up before the taskbar.
    if (!PutIconInTray())
        WaitForTray();
}

static void StopWaitingForTray()
{
    g_trayRetriesLeft = 0;
    KillTimer(g_trayIcon.hWnd, IDT_TRAY_RETRY);
}

LRESULT OnTrayRetry()
{
    if (g_trayRetriesLeft == 0)
        return 0;
    if (PutIconInTray()) {
        StopWaitingForTray();
    } else if (--g_trayRetriesLeft == 0) {
        StopWaitingForTray();
        // Without the icon a hidden window could never be reached again: the
        // program ends as a start that failed does, and says so.
        ShowError("Failed to create system tray icon!");
        g_exitCode = 1;
        DestroyWindow(g_trayIcon.hWnd);
    }
    return 0;
}

UINT TaskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

static void ShowTrayMenu(HWND window)
{
    POINT cursor;
    GetCursorPos(&cursor);
    // Without the foreground and the posted message the menu would stay open
    // when the user clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(g_trayMenu, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window,
                   nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
}

LRESULT OnTrayIcon(HWND window, UINT mouseMessage)
{
    if (mouseMessage == WM_LBUTTONDBLCLK)
        ShowWindow(window, SW_SHOWNORMAL);
    else if (mouseMessage == WM_RBUTTONDOWN)
        ShowTrayMenu(window);
    return 0;
}

LRESULT OnTrayMenuCommand(HWND window, WPARAM position)
{
    if (position == kStartRotationItem)
        StartRotationFromWindow();
    else if (position == kExitItem)
        DestroyWindow(window);
    return 0;
}

// A restarted shell has forgotten the icon, and a shell that has just come
// up at log-on has not had it yet; without it a hidden window could no
// longer be reached. A shell that announces itself before it takes icons is
// given the same minute as at start-up.
LRESULT OnTaskbarCreated()
{
    if (PutIconInTray())
        StopWaitingForTray();
    else
        WaitForTray();
    return 0;
}

LRESULT OnDestroy()
{
    Shell_NotifyIconA(NIM_DELETE, &g_trayIcon);
    PostQuitMessage(g_exitCode);
    return 0;
}
