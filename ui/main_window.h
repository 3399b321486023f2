// The main window: both the settings window and the owner of the rotation
// timer and the tray icon. MainWindowProc is the single entry point for every
// event after start-up.
#pragma once

#include <windows.h>

extern HINSTANCE g_instance;
extern HWND g_mainWindow;

bool RegisterMainWindowClass(HINSTANCE instance, HICON largeIcon, HICON smallIcon);

// Creates the window centred on the screen; the settings window is built and
// filled, and rotation possibly started, before this returns.
HWND CreateMainWindow(HINSTANCE instance);

// Asks the instance already running to show its settings window, in front.
void ShowRunningInstance();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
