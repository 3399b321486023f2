// Where the running program is: its settings, its Run value and relative
// picture folders are found from here.
#pragma once

#include <string>

// The running executable's full path, of any length; empty when it cannot be
// had whole.
std::wstring ExecutablePath();

// The folder that holds the executable, with its final backslash; empty when
// the executable's path cannot be had.
std::wstring ExecutableFolder();
