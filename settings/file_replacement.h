// Replacing a settings file's content safely: its original bytes are first
// kept where the user can find them, then the new content takes the file's
// place whole, the file itself (its permissions, other names, the link that
// names it) kept. A write that does not complete leaves no file of its own
// behind, so one full disk, quota or vanished share never stands in the way
// of a later success.
#pragma once

#include <windows.h>

#include <string>

// Opened for reading, sharing everything: another program may be writing it.
HANDLE OpenForReading(const std::wstring &path);

// The file's bytes when it is of a settings file's size (whole); of a larger
// file only the first two, which tell whether it needs converting at all.
bool ReadFileBytes(HANDLE file, std::string &bytes, bool &whole);

// Whether the bytes are all on the disk, not only whether they were accepted.
// A file the write made or emptied is deleted when they are not; one
// rewritten in place (OPEN_EXISTING) is the user's and stays.
bool WriteWholeFile(const std::wstring &path, const std::string &bytes, DWORD disposition);

// A file of the program's own in the user's temporary folder; empty when the
// folder cannot be had.
std::wstring TemporaryFile(const wchar_t *name);

// Keeps the bytes a file held before its conversion as its name plus ".bak"
// beside it, or else in the temporary folder; false when no place takes them.
bool KeepOriginal(const std::wstring &path, const std::string &bytes);

// The file a link (symbolic, or a junction on its way) names: converting that
// file keeps the link, to a synchronised copy for example. The path it was
// opened by when that cannot be had.
std::wstring FinalPath(HANDLE file, const std::wstring &openedPath);

// The file's content replaced, the file itself kept; false when it keeps its
// old content, or when a failed replacement left it under another name (see
// file_replacement.cpp).
bool ReplaceContent(const std::wstring &path, bool hasOtherNames, const std::string &bytes);

// ReplaceFileW and WriteFile, through which files take their new content;
// the tests put stand-ins here that fail as Windows can.
extern decltype(&ReplaceFileW) g_replaceFile;
extern decltype(&WriteFile) g_writeFile;
