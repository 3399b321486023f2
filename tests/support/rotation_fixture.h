// The rotation engine on a window of the test's own that owns the rotation
// timer, with the engine's program-wide state back at its start-up values.
#pragma once

#include "rotation/image_sequence.h"
#include "rotation/rotation_control.h"
#include "rotation/wallpaper_applier.h"
#include "support/desktop_log.h"

#include <gtest/gtest.h>

class RotationFixture : public testing::Test {
protected:
    void SetUp() override
    {
        window_ = CreateWindowA("STATIC", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        SetRotationTimer(window_, kRotationTimer);
        ResetImageSequence();
        g_currentImage.clear();
        g_imageFolder = L"C:\\windows\\Web\\Wallpaper";
        g_intervalCount = 10;
        g_unitMillis = 1000;
        g_userNotificationState = ShellNotificationState;
        CoInitialize(nullptr);
        CreateWallpaperApplier();
        ClearDesktopLog();
    }

    void TearDown() override
    {
        SetEnvironmentVariableA("BACKDROP_DESKTOP_REFUSES", nullptr);
        ReleaseWallpaperApplier();
        CoUninitialize();
        DestroyWindow(window_);
    }

    // Stops the rotation timer; true when it was running.
    bool StopTimer() const { return KillTimer(window_, kRotationTimer) != FALSE; }

    // A running timer, as a start would leave it.
    void ArmTimer(UINT period = 100000) const { SetTimer(window_, kRotationTimer, period, nullptr); }

    // The window code chooses the id; any will do.
    static constexpr UINT_PTR kRotationTimer = 77;
    HWND window_ = nullptr;
};
