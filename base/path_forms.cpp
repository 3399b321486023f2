#include "base/path_forms.h"

#include <windows.h>

std::wstring FullPathName(const std::wstring &path)
{
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr) + 1, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length == 0 || length >= full.size())
        return L"";
    full.resize(length);
    return full;
}

std::wstring ExtendedLengthPath(const std::wstring &path)
{
    std::wstring full = FullPathName(path);
    if (full.compare(0, 2, L"\\\\") != 0)
        return L"\\\\?\\" + full;
    if (full.compare(0, 4, L"\\\\?\\") != 0 && full.compare(0, 4, L"\\\\.\\") != 0)
        return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    return full;
}

std::wstring OrdinaryPath(const std::wstring &path)
{
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        return L"\\" + path.substr(7);
    return path.compare(0, 4, L"\\\\?\\") == 0 ? path.substr(4) : path;
}

// GetShortPathNameW or GetLongPathNameW, on the \\?\ form where the path is
// too long for the ordinary one, given back in the ordinary one.
static std::wstring ConvertedPath(const std::wstring &path, DWORD(WINAPI *convert)(LPCWSTR, LPWSTR, DWORD))
{
    if (path.empty())
        return L"";
    std::wstring extended = path.size() < MAX_PATH ? path : ExtendedLengthPath(path);
    DWORD size = convert(extended.c_str(), nullptr, 0);
    if (size == 0)
        return L"";
    std::wstring converted(size, L'\0');
    DWORD length = convert(extended.c_str(), &converted[0], size);
    if (length == 0 || length >= size)
        return L"";
    converted.resize(length);
    return OrdinaryPath(converted);
}

std::wstring ShortPathName(const std::wstring &path)
{
    return ConvertedPath(path, GetShortPathNameW);
}

std::wstring LongPathName(const std::wstring &path)
{
    return ConvertedPath(path, GetLongPathNameW);
}
