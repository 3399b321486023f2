// User-facing messages: platform message boxes with no owner window.
#pragma once

void ShowError(const char *text);
void ShowInfo(const char *text);
