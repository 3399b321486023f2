#include "ui/messages.h"

#include <cstring>
#include <cwchar>
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
    swprintf(text, _countof(text), L"error 0x%08lX", static_cast<unsigned long>(reason));
    return text;
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
