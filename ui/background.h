// The settings window's diagonal gradient, with labels and check boxes drawn
// over it without a background of their own.
#pragma once

#include <windows.h>

LRESULT OnPaint(HWND window);
LRESULT OnCtlColorStatic(HDC dc);
