// The main window's controls: the working copy of the settings, built and
// filled when the window is created, and the commands they give.
#pragma once

#include <windows.h>

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

// One tick of the rotation timer; what the desktop refused is told.
LRESULT OnRotationTimer();

LRESULT OnCreate(HWND window);
LRESULT OnCommand(WORD controlId, WORD notification);
LRESULT OnClose(HWND window);
