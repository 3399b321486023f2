// The five user settings, kept in settings.ini beside the executable,
// section "Settings", read and written through the platform's INI functions.
// The file is kept in UTF-16LE with a byte-order mark (settings_encoding.h
// tells the form of a file in any other and gives the rule it reads it by);
// a file in another form is converted, its original kept, before the first
// write, so that no write ever changes a character of a line it does not own
// (file_replacement.h keeps the original and replaces the file).
#pragma once

#include <windows.h>

#include <string>

extern std::wstring g_settingsPath;

// Points g_settingsPath at settings.ini in the executable's own folder.
// Fails when the executable's path cannot be had.
bool BuildSettingsPath();

// False when settings.ini exists but stays unreadable for about two seconds,
// held open without sharing by another program: its reads would then give
// the defaults in place of the user's settings.
bool WaitUntilSettingsReadable();

// The system's ANSI code page, in which programs without a manifest of their
// own write, as earlier versions did (GetACP() gives UTF-8 under the
// program's manifest); 0 when it cannot be had.
UINT SystemCodePage();

// The code page in which earlier versions wrote the file on a system of that
// code page. Where it is UTF-8 (Windows' "Use Unicode UTF-8 for worldwide
// language support"), the system locale's own ANSI code page, in which they
// wrote before the option was turned on: UTF-8 needs no code page of its own.
UINT LegacyCodePage(UINT systemCodePage = SystemCodePage());

// Puts settings.ini into UTF-16LE with its byte-order mark, keeping its text
// exactly, after keeping its bytes as settings.ini.bak beside it (or under a
// name of the program's own in the temporary folder); the file a link names
// is converted, keeping its permissions and other names. Returns false when
// the file is left as it was: its bytes could not be read, or their form
// cannot be told with confidence (the INI functions then read the file as
// they can, and no single write is made to it), or it could not be replaced;
// in the last case the settings are read from a converted copy until a later
// conversion succeeds. Runs at start-up, and before each write.
bool ConvertSettingsToUnicode(UINT legacyCodePage = LegacyCodePage());

std::wstring ReadSettingString(const wchar_t *key, const wchar_t *defaultText, DWORD capacity);

// The key's text converted as atoi converts it: a missing key or text without
// leading digits gives 0.
int ReadSettingInt(const wchar_t *key);

// Returns whether the file took the value; a file that cannot be put into
// UTF-16 first takes none.
bool WriteSetting(const wchar_t *key, const wchar_t *text);

// Writes all five keys after one conversion; returns whether every write
// succeeded. A file whose form cannot be told is replaced by the five keys,
// its original kept as a conversion keeps it: no file stops a save for good.
bool SaveSettings(const std::wstring &folder, int intervalCount, LRESULT unitIndex, LRESULT styleIndex,
                  bool rotateAtStartup);
