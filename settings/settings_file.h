// The five user settings, kept in settings.ini beside the executable,
// section "Settings", read and written through the platform's INI functions.
// The file is UTF-16LE with a byte-order mark, the one form in which
// Windows' INI functions keep every character whatever the code page.
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

// The system's ANSI code page, in which programs without a manifest of
// their own write, as earlier versions did (GetACP() gives UTF-8 under the
// program's manifest); 65001 where the system itself uses UTF-8, which
// leaves no other reading; 0 when it cannot be had.
UINT LegacyCodePage();

// ReplaceFileW, through which a converted file takes the old one's place;
// the tests put a stand-in here that fails as Windows can.
extern decltype(&ReplaceFileW) g_replaceFile;

// Puts settings.ini into UTF-16LE with its byte-order mark: a file in UTF-8
// (with or without a mark), in UTF-16BE or UTF-16LE without a mark, in the
// legacy code page, in which earlier versions wrote, or in UTF-8 with lines
// in that code page keeps its text exactly. A line that is text both in
// UTF-8 and in the legacy code page, with different meanings, is read as the
// folder that exists, where a start looks for it, where it is the folder's;
// else in a double-byte legacy code page (Chinese, Japanese, Korean) unless a
// UTF-8 mark leads the file or another line is text only in UTF-8 and none
// only in that code page, in UTF-8 in a single-byte one. Its bytes are first
// kept as settings.ini.bak beside it (or under a new name in the temporary
// folder), and the file named by a link is converted, keeping its
// permissions and other names.
// Returns false when the file is left as it was: its bytes could not be read,
// or their form cannot be told with confidence (which leaves the file to the
// INI functions and refuses every write), or it could not be replaced; in the
// last case the settings are read from a converted copy until a later
// conversion succeeds. Runs at start-up and before a save's writes or a
// single write, so no write ever changes a character of a line it does not
// own.
bool ConvertSettingsToUnicode(UINT legacyCodePage = LegacyCodePage());

std::wstring ReadSettingString(const wchar_t *key, const wchar_t *defaultText, DWORD capacity);

// The key's text converted as atoi converts it: a missing key or text without
// leading digits gives 0.
int ReadSettingInt(const wchar_t *key);

// Returns whether the file took the value; a file that cannot be put into
// UTF-16 first takes none.
bool WriteSetting(const wchar_t *key, const wchar_t *text);

// Writes all five keys after one conversion; returns whether every write
// succeeded.
bool SaveSettings(const std::wstring &folder, int intervalCount, LRESULT unitIndex, LRESULT styleIndex,
                  bool rotateAtStartup);
