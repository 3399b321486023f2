#include "support/scratch_folder.h"

#include <windows.h>

// The \\?\ form lifts the platform's path limit, which some scenarios pass.
static std::wstring LongForm(const std::string &path)
{
    int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], length);
    wide.pop_back();
    return L"\\\\?\\" + wide;
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
    path_ = std::string(temp) + "backdrop-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter) + "-" + std::to_string(GetTickCount()) + suffix;
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

void ScratchFolder::Remove(const std::string &name) const
{
    std::wstring path = LongForm(PathOf(name));
    if (!DeleteFileW(path.c_str()))
        RemoveTree(path);
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
