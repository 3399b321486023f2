// Where this test program runs from, and the windows other processes show.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The folder holding this test program, the program under test and the stand-in.
std::string TestProgramFolder();

// What this test program, started again with the argument, writes to its
// standard output before it ends.
std::string OutputOfThisTestProgram(const std::string &argument);

// The first top-level window of the process that satisfies match.
HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)> &match);
