// Records the periods the program arms its timer with: the test program's
// import of SetTimer is redirected through a recorder that passes each call on.
#pragma once

#include <windows.h>

#include <vector>

struct TimerCall {
    HWND window;
    UINT_PTR id;
    UINT period;
};

void InstallTimerSpy();
std::vector<TimerCall> &RecordedTimers();
