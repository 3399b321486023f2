#include "settings/file_replacement.h"

#include "base/decimal_text.h"

decltype(&ReplaceFileW) g_replaceFile = ReplaceFileW;
decltype(&WriteFile) g_writeFile = WriteFile;

HANDLE OpenForReading(const std::wstring &path)
{
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool ReadFileBytes(HANDLE file, std::string &bytes, bool &whole)
{
    LARGE_INTEGER size;
    DWORD read = 0;
    if (!GetFileSizeEx(file, &size))
        return false;
    whole = size.QuadPart < (16 << 20);
    bytes.resize(whole ? static_cast<size_t>(size.QuadPart) : 2);
    return bytes.empty() ||
           (ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size());
}

static bool ReadWholeFile(const std::wstring &path, std::string &bytes)
{
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool whole = false;
    bool read = ReadFileBytes(file, bytes, whole);
    CloseHandle(file);
    return read && whole;
}

bool WriteWholeFile(const std::wstring &path, const std::string &bytes, DWORD disposition)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool whole = g_writeFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                 written == bytes.size() && SetEndOfFile(file) && FlushFileBuffers(file);
    CloseHandle(file);
    // A part of the bytes, or none, would stand in the way of the next write
    // under this name, and would be taken for a whole file.
    if (!whole && disposition != OPEN_EXISTING)
        DeleteFileW(path.c_str());
    return whole;
}

// Tries an operation again, a tenth of a second apart, while another program
// (a virus scanner, a synchronisation tool) holds one of its files open.
template <typename Operation>
static bool RetriedWhileShared(int attempts, Operation operation)
{
    for (int attempt = 1;; ++attempt) {
        if (operation())
            return true;
        if (attempt == attempts || GetLastError() != ERROR_SHARING_VIOLATION)
            return false;
        Sleep(100);
    }
}

std::wstring TemporaryFile(const wchar_t *name)
{
    wchar_t temporaryFolder[MAX_PATH + 1];
    DWORD length = GetTempPathW(ARRAYSIZE(temporaryFolder), temporaryFolder);
    if (length == 0 || length >= ARRAYSIZE(temporaryFolder))
        return L"";
    return std::wstring(temporaryFolder, length) + name;
}

// Whether the file holds the bytes: made for them, there already with them,
// or there empty and written over. An empty file keeps nothing worth keeping
// (an empty settings file needs no original kept): a full disk may have
// left it, or an earlier version that left what it failed to write.
static bool Keeps(const std::wstring &path, const std::string &bytes)
{
    if (WriteWholeFile(path, bytes, CREATE_NEW))
        return true;
    std::string kept;
    return ReadWholeFile(path, kept) &&
           (kept == bytes || (kept.empty() && WriteWholeFile(path, bytes, TRUNCATE_EXISTING)));
}

// Keeps the bytes beside the file, so that a wrong guess at their form can be
// undone by hand. A copy there with other bytes may be the user's own, or the
// original of an earlier conversion, and stays; so does a file the folder
// refuses: the bytes then go to the temporary folder, under a name of the
// program's own that no other original holds ("BackdropCarousel settings
// (2).ini.bak" after the first), since any copy of the program, in any
// folder, keeps its originals there.
bool KeepOriginal(const std::wstring &path, const std::string &bytes)
{
    if (Keeps(path + L".bak", bytes))
        return true;
    for (int number = 1; number <= 100; ++number) {
        std::wstring name = number == 1 ? L"" : L" (" + DecimalText(number) + L")";
        std::wstring temporary = TemporaryFile((L"BackdropCarousel settings" + name + L".ini.bak").c_str());
        if (temporary.empty())
            return false;
        if (Keeps(temporary, bytes))
            return true;
    }
    return false;
}

std::wstring FinalPath(HANDLE file, const std::wstring &openedPath)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(file, &path[0], MAX_PATH, FILE_NAME_NORMALIZED);
    if (length >= MAX_PATH) {
        path.resize(length);
        length = GetFinalPathNameByHandleW(file, &path[0], length, FILE_NAME_NORMALIZED);
    }
    if (length == 0 || length >= path.size())
        return openedPath;
    path.resize(length);
    return path;
}

// A new file, written whole beside the old one, takes its place through
// ReplaceFileW, which keeps the old one's security descriptor, attributes,
// creation time, short name and streams: a crash or a full disk leaves the
// old file, never a part of the new one. The names come from GetTempFileNameW,
// so that no leftover of an earlier run can stand in the way. Sets displaced
// when the old file could not be put back under its own name after a failed
// replacement: it then stays under the backup's name, never deleted.
static bool ReplaceThroughNewFile(const std::wstring &path, const std::string &bytes, bool &displaced)
{
    std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    wchar_t replacement[MAX_PATH], backup[MAX_PATH] = L"";
    displaced = false;
    if (!GetTempFileNameW(folder.c_str(), L"set", 0, replacement))
        return false;
    // The old file's name while the new one takes its place: with it, a
    // replacement that fails leaves both files where they were.
    bool replaced = GetTempFileNameW(folder.c_str(), L"set", 0, backup) && DeleteFileW(backup) &&
                    WriteWholeFile(replacement, bytes, TRUNCATE_EXISTING) && RetriedWhileShared(10, [&] {
                        return g_replaceFile(path.c_str(), replacement, backup, 0, nullptr, nullptr) != FALSE;
                    });
    // The old file was moved to the backup's name, the new one not into its
    // place. Moving it back fails where the name was taken again meanwhile (a
    // synchronisation client recreates a file it saw go).
    if (!replaced && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        displaced = !RetriedWhileShared(
            10, [&] { return MoveFileExW(backup, path.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE; });
    DeleteFileW(replacement);
    if (!displaced)
        DeleteFileW(backup);
    return replaced;
}

// A file with other names (hard links) is rewritten in place, as is one
// whose folder refuses new files (a per-file permission, a share without the
// right to create); never a file that took the name of one displaced by a
// failed replacement.
bool ReplaceContent(const std::wstring &path, bool hasOtherNames, const std::string &bytes)
{
    bool displaced = false;
    if (!hasOtherNames && ReplaceThroughNewFile(path, bytes, displaced))
        return true;
    return !displaced && RetriedWhileShared(10, [&] { return WriteWholeFile(path, bytes, OPEN_EXISTING); });
}
