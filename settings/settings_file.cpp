#include "settings/settings_file.h"

#include <shlwapi.h>

#include <cstdlib>
#include <vector>

std::string g_settingsPath;

static const char kSection[] = "Settings";

// Read in place of settings.ini while the file itself waits for its conversion.
static std::string g_convertedCopy;

bool BuildSettingsPath()
{
    std::string directory = ExecutablePath();
    if (directory.empty() || !PathRemoveFileSpecA(&directory[0]))
        return false;
    // The "./" keeps the path relative to the executable's folder however the
    // platform resolves it, whatever the current directory is.
    g_settingsPath = std::string(directory.c_str()) + "\\" + "./settings.ini";
    return true;
}

bool WaitUntilSettingsReadable()
{
    DWORD attributes = GetFileAttributesA(g_settingsPath.c_str());
    // No file (or a folder in its place) holds no settings to lose.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    for (int attempt = 1;; ++attempt) {
        HANDLE file = CreateFileA(g_settingsPath.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        if (attempt == 20)
            return false;
        Sleep(100);
    }
}

// The whole file, when it can be read and is of a settings file's size.
static bool ReadWholeFile(const std::string &path, std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    DWORD read = 0;
    bool whole = GetFileSizeEx(file, &size) && size.QuadPart < (1 << 20);
    if (whole) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        whole = ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size();
    }
    CloseHandle(file);
    return whole;
}

// Whether the bytes are all on the disk, not only whether they were accepted.
static bool WriteWholeFile(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                 written == bytes.size() && FlushFileBuffers(file);
    CloseHandle(file);
    return whole;
}

// The code page of the system's locale, in which programs wrote before they
// could choose UTF-8; GetACP() gives UTF-8 under the program's manifest.
static UINT LegacyCodePage()
{
    WCHAR locale[LOCALE_NAME_MAX_LENGTH];
    UINT codePage = 0;
    if (!GetSystemDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH) ||
        !GetLocaleInfoEx(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR)))
        return 0;
    return codePage;
}

// The file's text as the platform's INI functions read it.
static std::string ReadableForm(const std::string &bytes)
{
    if (bytes.compare(0, 2, "\xFF\xFE") == 0)  // UTF-16LE, which they read as it is
        return bytes;
    std::string text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    int size = static_cast<int>(text.size());
    if (size == 0 || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0) > 0)
        return text;
    // Where Windows ignores the manifest, the functions read the legacy code
    // page themselves; with no legacy code page there is nothing to decode.
    UINT codePage = LegacyCodePage();
    if (codePage == 0 || codePage == CP_UTF8 || codePage == GetACP())
        return text;
    std::vector<wchar_t> wide(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0));
    int length = static_cast<int>(wide.size());
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

bool ConvertSettingsToUtf8()
{
    g_convertedCopy.clear();
    std::string bytes;
    if (!ReadWholeFile(g_settingsPath, bytes))  // no file, nothing to convert
        return true;
    std::string text = ReadableForm(bytes);
    if (text == bytes)
        return true;
    // Written beside it first, then put in its place in one step: a crash or a
    // full disk leaves the old file, never a part of the new one.
    std::string replacement = g_settingsPath + ".tmp";
    if (WriteWholeFile(replacement, text) &&
        MoveFileExA(replacement.c_str(), g_settingsPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(replacement.c_str());
    char temporaryFolder[kPathCapacity];
    DWORD length = GetTempPathA(sizeof temporaryFolder, temporaryFolder);
    if (length == 0 || length >= sizeof temporaryFolder)
        return false;
    std::string copy = std::string(temporaryFolder, length) + "BackdropCarousel settings.ini";
    if (WriteWholeFile(copy, text))
        g_convertedCopy = copy;
    return false;
}

std::string ReadSettingString(const char *key, const char *defaultText, DWORD capacity)
{
    std::string buffer(capacity, '\0');
    const std::string &source = g_convertedCopy.empty() ? g_settingsPath : g_convertedCopy;
    DWORD length = GetPrivateProfileStringA(kSection, key, defaultText, &buffer[0], capacity, source.c_str());
    buffer.resize(length);
    return buffer;
}

int ReadSettingInt(const char *key)
{
    return atoi(ReadSettingString(key, "", 32).c_str());
}

bool WriteSetting(const char *key, const char *text)
{
    if (!g_convertedCopy.empty() && !ConvertSettingsToUtf8())
        return false;
    return WritePrivateProfileStringA(kSection, key, text, g_settingsPath.c_str()) != FALSE;
}

bool SaveSettings(const std::string &folder, int intervalCount, LRESULT unitIndex,
                  LRESULT styleIndex, bool rotateAtStartup)
{
    bool saved = WriteSetting("wallpaperDir", folder.c_str());
    saved &= WriteSetting("rotationInt", std::to_string(intervalCount).c_str());
    saved &= WriteSetting("rotationIntType", std::to_string(unitIndex).c_str());
    saved &= WriteSetting("wallpaperMode", std::to_string(styleIndex).c_str());
    saved &= WriteSetting("rotateAtStartup", rotateAtStartup ? "1" : "0");
    return saved;
}
