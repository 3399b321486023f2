// A stand-in for the settings window around the rotation engine: a main
// window owning the timer, the folder box and the interval box, with the
// engine's program-wide state back at its start-up values.
#pragma once

#include "rotation/image_sequence.h"
#include "rotation/rotation_control.h"
#include "rotation/wallpaper_applier.h"
#include "support/desktop_log.h"
#include "support/timer_spy.h"
#include "ui/main_window.h"
#include "ui/settings_window.h"

#include <gtest/gtest.h>

class RotationFixture : public testing::Test {
protected:
    void SetUp() override
    {
        InstallTimerSpy();
        RecordedTimers().clear();
        g_mainWindow = CreateWindowA("STATIC", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                     nullptr, nullptr);
        g_folderBox = CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 100, 20, g_mainWindow, nullptr, nullptr,
                                    nullptr);
        g_intervalBox = CreateWindowA("EDIT", "", WS_CHILD, 0, 20, 100, 20, g_mainWindow, nullptr,
                                      nullptr, nullptr);
        CloseImageSearch();
        ResetImageSequence();
        g_currentImage.clear();
        g_imageFolder = "C:\\windows\\Web\\Wallpaper";
        g_intervalCount = 10;
        g_unitMillis = 1000;
        CoInitialize(nullptr);
        CreateWallpaperApplier();
        ClearDesktopLog();
    }

    void TearDown() override
    {
        ReleaseWallpaperApplier();
        CoUninitialize();
        CloseImageSearch();
        DestroyWindow(g_mainWindow);
    }

    void SetBoxes(const std::string &folder, const std::string &interval)
    {
        SetWindowTextA(g_folderBox, folder.c_str());
        SetWindowTextA(g_intervalBox, interval.c_str());
    }

    // Stops the rotation timer; true when it was running.
    static bool StopTimer() { return KillTimer(g_mainWindow, IDT_ROTATION) != FALSE; }

    // A running rotation, as StartRotation would leave it.
    static void ArmTimer(UINT period = 100000) { SetTimer(g_mainWindow, IDT_ROTATION, period, nullptr); }
};
