#include "rotation/rotation_control.h"

#include "rotation/image_sequence.h"
#include "rotation/wallpaper_applier.h"
#include "ui/main_window.h"
#include "ui/messages.h"
#include "ui/settings_window.h"

#include <cstdlib>

std::string g_imageFolder;
int g_intervalCount = 10;
int g_unitMillis = 1000;

// Shorter periods would change the wallpaper faster than the desktop redraws.
constexpr long long kMinimumPeriodMillis = 3000;

void SetIntervalUnit(LRESULT selection)
{
    g_unitMillis = selection == 1 ? 60000 : 1000;
}

void StartRotation()
{
    char folder[MAX_PATH];
    GetWindowTextA(g_folderBox, folder, sizeof folder);
    if (folder[0] == '\0') {
        ShowError("You must specify a path!");
        return;
    }
    g_imageFolder = folder;

    char interval[5];  // the box holds at most 4 digits
    GetWindowTextA(g_intervalBox, interval, sizeof interval);
    if (interval[0] == '\0') {
        ShowError("You must specify an interval!");
        return;
    }
    g_intervalCount = atoi(interval);

    // A negative count can only come from an edited settings file.
    long long period = static_cast<long long>(g_intervalCount) * g_unitMillis;
    if (g_intervalCount < 0 || period < kMinimumPeriodMillis) {
        ShowError("The interval you specified is too small!");
        return;
    }
    if (GetFileAttributesA(g_imageFolder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ShowError("The path you specified is invalid!");
        return;
    }

    KillTimer(g_mainWindow, IDT_ROTATION);
    SetTimer(g_mainWindow, IDT_ROTATION, static_cast<UINT>(period), nullptr);
}

LRESULT OnRotationTick()
{
    AdvanceImage("\\*.jpg");
    if (g_currentImage.empty())
        return 0;
    ApplyWallpaper(g_imageFolder + "\\" + g_currentImage);
    return 0;
}
