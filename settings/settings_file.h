// The five user settings, kept in settings.ini beside the executable,
// section "Settings", read and written through the platform's INI functions.
#pragma once

#include "base/executable_path.h"

#include <windows.h>

#include <string>

extern std::string g_settingsPath;

// Points g_settingsPath at settings.ini in the executable's own folder.
// Fails when the executable's path cannot be had.
bool BuildSettingsPath();

// False when settings.ini exists but stays unreadable for about two seconds,
// held open without sharing by another program: its reads would then give
// the defaults in place of the user's settings.
bool WaitUntilSettingsReadable();

// Puts settings.ini, once, into the form the platform's INI functions read
// whatever the program's code page: a UTF-8 byte-order mark (Notepad's "UTF-8
// with BOM") is dropped, and the system's legacy code page, in which earlier
// versions wrote, becomes UTF-8. A UTF-16 file and a file already fine are
// left alone. Every line is kept, and the file is replaced whole or not at
// all. When it cannot be replaced, the settings are read from a converted
// copy and writes first try the conversion again; returns false then.
bool ConvertSettingsToUtf8();

std::string ReadSettingString(const char *key, const char *defaultText, DWORD capacity);

// The key's text converted as atoi converts it: a missing key or text without
// leading digits gives 0.
int ReadSettingInt(const char *key);

// Returns whether the file took the value; a file that still waits for its
// conversion takes none, as it would lose the characters of its other lines.
bool WriteSetting(const char *key, const char *text);

// Writes all five keys; returns whether every write succeeded.
bool SaveSettings(const std::string &folder, int intervalCount, LRESULT unitIndex,
                  LRESULT styleIndex, bool rotateAtStartup);
