#include "base/executable_path.h"

std::string ExecutablePath()
{
    char path[kPathCapacity];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A full buffer holds a cut path.
    if (length == 0 || length == sizeof path)
        return "";
    return std::string(path, length);
}
