// The forms a path takes on Windows: full, extended-length (\\?\), short
// (8.3) and long. Each works on paths of any length.
#pragma once

#include <string>

// The absolute, normalised form of a path; empty when it has none.
std::wstring FullPathName(const std::wstring &path);

// The \\?\ form of a full path, the only one that lifts the platform's path
// length limit.
std::wstring ExtendedLengthPath(const std::wstring &path);

// The ordinary form of a \\?\ path, which the desktop and the user read:
// \\?\C:\... becomes C:\..., \\?\UNC\server\... becomes \\server\...; a path
// without the prefix comes back as it is.
std::wstring OrdinaryPath(const std::wstring &path);

// The full path of an existing file or folder with every part that has a
// short (8.3) name in that form; the drive may give none, and then the long
// path comes back. Empty when the file cannot be found.
std::wstring ShortPathName(const std::wstring &path);

// The full path of an existing file or folder with every part in its long
// form. Empty when the file cannot be found.
std::wstring LongPathName(const std::wstring &path);
