#include "support/scratch_folder.h"

#include <windows.h>

std::wstring Utf16(const std::string &utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    return wide;
}

std::string Utf8(const std::wstring &utf16)
{
    std::string bytes(utf16.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), &bytes[0],
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

// The \\?\ form lifts the platform's path limit, which some scenarios pass.
static std::wstring LongForm(const std::string &path)
{
    return L"\\\\?\\" + Utf16(path);
}

static void RemoveTree(const std::wstring &path)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

ScratchFolder::ScratchFolder(const std::string &suffix)
{
    static int counter;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "backdrop-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) +
            "-" + std::to_string(GetTickCount()) + suffix;
    CreateDirectoryW(LongForm(path_).c_str(), nullptr);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(LongForm(path_));
}

void ScratchFolder::AddFile(const std::string &name, const std::string &content) const
{
    HANDLE file = CreateFileW(LongForm(PathOf(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

void ScratchFolder::AddFolder(const std::string &name) const
{
    CreateDirectoryW(LongForm(PathOf(name)).c_str(), nullptr);
}

void RemoveFileOrFolder(const std::string &path)
{
    std::wstring longPath = LongForm(path);
    if (!DeleteFileW(longPath.c_str()))
        RemoveTree(longPath);
}

void ScratchFolder::Remove(const std::string &name) const
{
    RemoveFileOrFolder(PathOf(name));
}

std::vector<std::string> ScratchFolder::List(const std::string &pattern) const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(PathOf(pattern).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

bool ScratchFolder::HasShortName(const std::string &name) const
{
    std::wstring path = LongForm(PathOf(name));
    DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    std::wstring shortPath(size, L'\0');
    DWORD length = size ? GetShortPathNameW(path.c_str(), &shortPath[0], size) : 0;
    shortPath.resize(length < size ? length : 0);
    // The last part alone: the folders above may have short names of their own.
    auto lastPart = [](const std::wstring &full) { return full.substr(full.rfind(L'\\') + 1); };
    return !shortPath.empty() && lastPart(shortPath) != lastPart(path);
}
