// Turns the folder and interval boxes into a running rotation, and carries out
// each rotation tick.
#pragma once

#include <windows.h>

#include <string>

// The program's only timer, owned by the main window.
constexpr UINT_PTR IDT_ROTATION = 4000;

extern std::string g_imageFolder;  // folder being rotated; replaced by StartRotation only
extern int g_intervalCount;        // interval count last taken from the interval box
extern int g_unitMillis;           // milliseconds per interval unit

// Unit combo selection: 1 is Minutes, anything else Seconds. A running
// rotation keeps its period until it is started again.
void SetIntervalUnit(LRESULT selection);

// Checks the folder and interval boxes, takes copies of them and (re)arms the
// rotation timer. Each failed check is reported in a message box.
void StartRotation();

// One rotation step: the next image of the folder becomes the wallpaper.
LRESULT OnRotationTick();
