#include "ui/messages.h"

#include <windows.h>

void ShowError(const char *text)
{
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
}

void ShowInfo(const char *text)
{
    MessageBoxA(nullptr, text, "Info", MB_OK | MB_ICONINFORMATION);
}
