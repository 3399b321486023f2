// User-facing messages: platform message boxes with no owner window.
#pragma once

#include <windows.h>

// text is one of the program's own (ASCII); a failed reason follows it as
// the system describes that failure, in the user's language.
void ShowError(const char *text, HRESULT reason = S_OK);
void ShowInfo(const char *text);
