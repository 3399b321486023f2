#include "base/text_conversion.h"

#include <windows.h>

// Both always hold at least the terminator, also should a conversion fail.

WideText ToWide(const std::string &text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    WideText wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string FromWide(const wchar_t *text)
{
    // Where Windows ignores the manifest (before Windows 10 version 1903), a
    // name outside the code page must become '?', not a look-alike (full-width
    // "ｂｅｓｔ.jpg" as "best.jpg"). UTF-8 takes no such flag.
    DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int length = WideCharToMultiByte(CP_ACP, flags, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? length : 1, '\0');
    WideCharToMultiByte(CP_ACP, flags, text, -1, &narrow[0], static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.pop_back();  // the terminator
    return narrow;
}
