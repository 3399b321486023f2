// The kernel handles a process holds: the platform's own count, which Windows
// gives for any process it lets us query; where it gives 0, as Wine does for
// other processes, the process's entries in the system-wide handle list.
#pragma once

#include <windows.h>

// False when neither count can be had.
bool CountProcessHandles(HANDLE process, DWORD processId, ULONG &count);
