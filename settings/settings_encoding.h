// The encoding of a settings file, told from its bytes alone. Earlier
// versions wrote the file in the system's ANSI code page, editors write it
// in UTF-8 or UTF-16; this version keeps it in UTF-16LE with a byte-order
// mark, the one form in which Windows' INI functions keep every character
// whatever the code page. Nothing here touches a file: the code page the
// earlier versions wrote in and whether a folder exists come in as
// parameters.
//
// The reading rule, in the order it is applied (UTF-16LE with its mark is
// already the program's form and is never decoded):
// 1. A UTF-16BE mark: UTF-16BE.
// 2. A NUL byte, which no code page's text holds: UTF-16 without a mark, in
//    the one byte order that gives a settings file's text.
// 3. Otherwise each line on its own, after a UTF-8 mark if one leads: UTF-8,
//    or the legacy code page where the line is not UTF-8 (an older editor
//    may have added a line in one to a file in the other).
// 4. A line that is text in both, with different meanings: the folder's
//    line reads as the folder that exists, where only one reading names one.
// 5. Any other such line: the legacy code page where it is double-byte
//    (Chinese, Japanese, Korean) and the file does not show itself UTF-8 (a
//    UTF-8 mark, or a line that only UTF-8 reads and none that only the code
//    page reads); UTF-8 otherwise.
// 6. Whatever the reading, text with a control character other than tab and
//    line ends, or with an unpaired surrogate, is not a settings file's: its
//    form cannot be told.
#pragma once

#include <windows.h>

#include <string>

// The byte-order mark of UTF-16LE, which starts every file this version writes.
inline constexpr char kUtf16LeMark[] = "\xFF\xFE";

// Whether the folder a settings file names in its "wallpaperDir" line (the
// value as the line holds it) exists where a start looks for it.
using FolderExists = bool (*)(const std::wstring &folderText);

// The text of a settings file in any form but UTF-16LE with its mark, read
// by the rule above; legacyCodePage 0 or CP_UTF8 leaves UTF-8 the only
// reading. False when its form cannot be told with confidence.
bool DecodeSettings(const std::string &bytes, UINT legacyCodePage, FolderExists folderExists, std::wstring &text);

// The text as the bytes of a file in the program's form: UTF-16LE with its mark.
std::string Utf16LeBytes(const std::wstring &text);
