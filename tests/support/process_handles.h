// The kernel handles a process holds, counted in the system-wide handle list:
// the platform's per-process count gives 0 for other processes under Wine.
#pragma once

#include <windows.h>

// False when the system's handle list cannot be read.
bool CountProcessHandles(DWORD processId, ULONG &count);
