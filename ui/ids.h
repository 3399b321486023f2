// The numbers the main window and its parts are known by, kept together as a
// resource header keeps them: control ids, timer ids, the tray icon's id and
// callback message, and the name of the message a second start sends. The
// labels and the folder and interval boxes have no id (0).
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

constexpr UINT_PTR IDT_ROTATION = 4000;    // each tick shows the next picture
constexpr UINT_PTR IDT_TRAY_RETRY = 4001;  // adds the icon again while the taskbar is awaited

constexpr UINT ID_TRAY_ICON = 3000;
constexpr UINT WM_TRAYICON = WM_USER + 1;

// Registered by this name, so that every copy of the program, of any version
// or build, gets the same number: a second start asks the running copy to
// show its window with it.
constexpr char kShowWindowMessageName[] = "BackdropCarousel.ShowSettingsWindow";
