// Where this test program runs from, and the windows other processes show.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The folder holding this test program, the program under test and the stand-in.
std::string TestProgramFolder();

// The first top-level window of the process that satisfies match.
HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)> &match);
