// Where the running program is: its settings, its Run value and relative
// picture folders are found from here.
#pragma once

#include <windows.h>

#include <string>

// Room for a path in the ANSI code page: the 260 UTF-16 units the folder box
// holds, each of up to 3 bytes in UTF-8, and the terminator.
constexpr DWORD kPathCapacity = 3 * MAX_PATH + 1;

// The running executable's full path; empty when it cannot be had whole.
std::string ExecutablePath();
