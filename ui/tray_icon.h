// The notification-area icon and its two-item menu ("Start rotation",
// "Exit"): the only way to reach a hidden window and to end the program.
#pragma once

#include <windows.h>

void CreateTrayMenu();

// Adds the icon; when the taskbar is not ready, keeps trying for a minute
// before it says so and ends the program with exit code 1. The same holds
// for adding it again when the taskbar has restarted.
void AddTrayIcon(HWND window, HICON icon);

// The message the shell broadcasts when it has restarted.
UINT TaskbarCreatedMessage();

LRESULT OnTrayIcon(HWND window, UINT mouseMessage);
LRESULT OnTrayMenuCommand(HWND window, WPARAM position);
LRESULT OnTrayRetry();
LRESULT OnTaskbarCreated();
LRESULT OnDestroy();
