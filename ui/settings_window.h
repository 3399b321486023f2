// The settings window: the main window's controls, which are the working
// copy of the settings, built and filled when the window is created.
#pragma once

#include <windows.h>

enum ControlId {
    IDC_WALLPAPER_MODE = 500,
    IDC_INTERVAL_UNIT = 501,
    IDC_START_ROTATION = 1000,
    IDC_BROWSE = 1004,
    IDC_SAVE_SETTINGS = 1005,
    IDC_START_WITH_WINDOWS = 1007,
    IDC_ROTATE_AT_STARTUP = 1008,
};

extern HFONT g_controlFont;  // the thin font of the combo and check boxes
extern HWND g_folderBox;
extern HWND g_intervalBox;
extern HWND g_styleCombo;
extern HWND g_unitCombo;
extern HWND g_autostartBox;
extern HWND g_startupBox;

// Starts rotation with the folder and interval boxes' texts; a refused start
// is explained in a message box.
void StartRotationFromWindow();

LRESULT OnCreate(HWND window);
LRESULT OnCommand(WORD controlId, WORD notification);
LRESULT OnClose(HWND window);
