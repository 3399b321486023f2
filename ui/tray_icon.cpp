#include "ui/tray_icon.h"

#include "ui/settings_window.h"

#include <shellapi.h>

#include <cstring>

static NOTIFYICONDATAA g_trayIcon;
static HMENU g_trayMenu;

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

bool AddTrayIcon(HWND window, HICON icon)
{
    ZeroMemory(&g_trayIcon, sizeof g_trayIcon);
    g_trayIcon.cbSize = sizeof g_trayIcon;
    g_trayIcon.hWnd = window;
    g_trayIcon.uID = ID_TRAY_ICON;
    g_trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_trayIcon.uCallbackMessage = WM_TRAYICON;
    g_trayIcon.hIcon = icon;
    strcpy_s(g_trayIcon.szTip, sizeof g_trayIcon.szTip, "BackdropCarousel");
    return Shell_NotifyIconA(NIM_ADD, &g_trayIcon) != FALSE;
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
    TrackPopupMenu(g_trayMenu, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0,
                   window, nullptr);
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

// A restarted shell has forgotten the icon; without it a hidden window could
// no longer be reached.
LRESULT OnTaskbarCreated()
{
    Shell_NotifyIconA(NIM_ADD, &g_trayIcon);
    return 0;
}

LRESULT OnDestroy()
{
    Shell_NotifyIconA(NIM_DELETE, &g_trayIcon);
    PostQuitMessage(0);
    return 0;
}
