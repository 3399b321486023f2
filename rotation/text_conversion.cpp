#include "rotation/text_conversion.h"

#include <windows.h>

std::wstring ToWide(const std::string &text)
{
    int length = static_cast<int>(text.size());
    int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring wide(wideLength, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], wideLength);
    return wide;
}

std::string FromWide(const std::wstring &text)
{
    int length = static_cast<int>(text.size());
    int narrowLength = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(narrowLength, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), length, &narrow[0], narrowLength, nullptr, nullptr);
    return narrow;
}
