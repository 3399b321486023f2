#include "ui/messages.h"

#include <cstring>
#include <cwctype>
#include <stdlib.h>
#include <string>

// The system's words for a failure, or its number where the system has none.
static std::wstring Reason(HRESULT reason)
{
    wchar_t text[512];
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length = FormatMessageW(flags, nullptr, static_cast<DWORD>(reason), 0, text, _countof(text), nullptr);
    if (length == 0 && HRESULT_FACILITY(reason) == FACILITY_WIN32)
        length = FormatMessageW(flags, nullptr, HRESULT_CODE(reason), 0, text, _countof(text), nullptr);
    while (length > 0 && iswspace(text[length - 1]))
        --length;
    if (length > 0)
        return std::wstring(text, length);
    // The C runtime's own conversion: a wide printf would add a tenth to the program.
    _ultow_s(static_cast<unsigned long>(reason), text, _countof(text), 16);
    return L"error 0x" + std::wstring(text);
}

void ShowError(const char *text, HRESULT reason)
{
    std::wstring message(text, text + strlen(text));
    if (FAILED(reason))
        message += L" " + Reason(reason);
    MessageBoxW(nullptr, message.c_str(), L"Error", MB_OK | MB_ICONERROR);
}

void ShowInfo(const char *text)
{
    MessageBoxA(nullptr, text, "Info", MB_OK | MB_ICONINFORMATION);
}
