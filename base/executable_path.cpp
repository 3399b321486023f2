#include "base/executable_path.h"

#include <windows.h>

std::wstring ExecutablePath()
{
    // A program run from a long path has a name longer than MAX_PATH; a full
    // buffer holds a cut name, so the buffer grows to the longest path there is.
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        std::wstring path(capacity, L'\0');
        DWORD length = GetModuleFileNameW(nullptr, &path[0], capacity);
        if (length == 0)
            return L"";
        if (length < capacity) {
            path.resize(length);
            return path;
        }
    }
    return L"";
}

std::wstring ExecutableFolder()
{
    std::wstring path = ExecutablePath();
    size_t end = path.rfind(L'\\');
    return end == std::wstring::npos ? L"" : path.substr(0, end + 1);
}
