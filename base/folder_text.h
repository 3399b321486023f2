// A folder as the user names it, in the folder box or in the settings file,
// and the folder the program takes it for.
#pragma once

#include <string>

// The text without the blanks (spaces and tabs) around it, which the INI
// functions drop around keys and values.
std::wstring WithoutBlanks(const std::wstring &text);

// The folder a text names: without surrounding blanks and one pair of
// enclosing double quotes, as Explorer's "Copy as path" gives it.
std::wstring FolderFromText(const std::wstring &text);

// The absolute folder a text names, whatever the current directory (at
// sign-in, the system folder). A relative folder is taken from the program's
// own folder, as its settings file is: a copy on a stick can name "pictures"
// under any drive letter. "\pictures" is in the root of the program's drive;
// "D:pictures" is in the program's folder when that is on D:, and in the root
// of D: otherwise. Empty when the text names no folder.
std::wstring FolderPathFromText(const std::wstring &text);
