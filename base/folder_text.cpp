#include "base/folder_text.h"

#include "base/executable_path.h"
#include "base/path_forms.h"

#include <cwchar>

std::wstring WithoutBlanks(const std::wstring &text)
{
    size_t first = text.find_first_not_of(L" \t");
    return first == std::wstring::npos ? L"" : text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

std::wstring FolderFromText(const std::wstring &text)
{
    std::wstring folder = WithoutBlanks(text);
    // Blanks inside the quotes go too, as the settings file would drop them.
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
        folder = WithoutBlanks(folder.substr(1, folder.size() - 2));
    return folder;
}

static std::wstring FolderBesideProgram(const std::wstring &text)
{
    std::wstring folder = ExecutableFolder();  // with its backslash
    if (folder.empty())
        return text;
    auto isSeparator = [&](size_t i) { return i < text.size() && (text[i] == L'\\' || text[i] == L'/'); };
    if (text.size() >= 2 && text[1] == L':') {
        if (isSeparator(2))
            return text;
        if (_wcsnicmp(text.c_str(), folder.c_str(), 2) == 0)
            return folder + text.substr(2);
        return text.substr(0, 2) + L"\\" + text.substr(2);
    }
    if (!isSeparator(0))
        return folder + text;
    if (isSeparator(1))
        return text;  // \\server\share\..., \\?\...
    // The program's root: C: or \\server\share (\\?\C: alike).
    size_t rootEnd = folder.compare(0, 2, L"\\\\") == 0 ? folder.find(L'\\', folder.find(L'\\', 2) + 1) : 2;
    return folder.substr(0, rootEnd) + text;
}

std::wstring FolderPathFromText(const std::wstring &text)
{
    std::wstring named = FolderFromText(text);
    return named.empty() ? L"" : FullPathName(FolderBesideProgram(named));
}
