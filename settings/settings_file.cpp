#include "settings/settings_file.h"

#include "base/decimal_text.h"
#include "base/executable_path.h"

#include <cwchar>

std::wstring g_settingsPath;

static const wchar_t kSection[] = L"Settings";
static const char kUtf16LeMark[] = "\xFF\xFE";

// Read in place of settings.ini while the file itself waits for its conversion.
static std::wstring g_convertedCopy;

bool BuildSettingsPath()
{
    std::wstring folder = ExecutableFolder();
    if (folder.empty())
        return false;
    // The "./" keeps the path relative to the executable's folder however the
    // platform resolves it, whatever the current directory is.
    g_settingsPath = folder + L"./settings.ini";
    return true;
}

static HANDLE OpenForReading(const std::wstring &path)
{
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WaitUntilSettingsReadable()
{
    DWORD attributes = GetFileAttributesW(g_settingsPath.c_str());
    // No file (or a folder in its place) holds no settings to lose.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    for (int attempt = 1;; ++attempt) {
        HANDLE file = OpenForReading(g_settingsPath);
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
static bool ReadWholeFile(const std::wstring &path, std::string &bytes)
{
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    DWORD read = 0;
    bool whole = GetFileSizeEx(file, &size) && size.QuadPart < (16 << 20);
    if (whole) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        whole = bytes.empty() ||
                (ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size());
    }
    CloseHandle(file);
    return whole;
}

// Whether the bytes are all on the disk, not only whether they were accepted.
static bool WriteWholeFile(const std::wstring &path, const std::string &bytes, DWORD disposition)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
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

// Bytes in a code page as UTF-16; false when they are not text in it (UTF-8
// is checked strictly, so that other bytes are known to be the legacy code page).
static bool Decode(UINT codePage, const std::string &bytes, std::wstring &text)
{
    text.clear();
    if (bytes.empty())
        return true;
    DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    int size = static_cast<int>(bytes.size());
    int length = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return false;
    text.resize(length);
    return MultiByteToWideChar(codePage, flags, bytes.data(), size, &text[0], length) == length;
}

// The text of a settings file of any origin but UTF-16LE.
static bool DecodeSettings(const std::string &bytes, std::wstring &text)
{
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) {  // UTF-16BE, which the INI functions cannot read
        if (bytes.size() % 2 != 0)
            return false;
        text.clear();
        for (size_t i = 2; i < bytes.size(); i += 2)
            text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) << 8 | static_cast<unsigned char>(bytes[i + 1]));
        return true;
    }
    std::string body = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    if (Decode(CP_UTF8, body, text))
        return true;
    UINT codePage = LegacyCodePage();
    return codePage != 0 && codePage != CP_UTF8 && Decode(codePage, body, text);
}

static std::string Utf16LeBytes(const std::wstring &text)
{
    std::string bytes = kUtf16LeMark;
    for (wchar_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// Where the settings are read from when settings.ini cannot be replaced.
static std::wstring ConvertedCopyPath()
{
    wchar_t temporaryFolder[MAX_PATH + 1];
    DWORD length = GetTempPathW(ARRAYSIZE(temporaryFolder), temporaryFolder);
    if (length == 0 || length >= ARRAYSIZE(temporaryFolder))
        return L"";
    return std::wstring(temporaryFolder, length) + L"BackdropCarousel settings.ini";
}

bool ConvertSettingsToUnicode()
{
    g_convertedCopy.clear();
    if (GetFileAttributesW(g_settingsPath.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_FILE_NOT_FOUND)
        return true;  // no file, nothing to convert
    std::string bytes;
    if (!ReadWholeFile(g_settingsPath, bytes))
        return false;
    if (bytes.compare(0, 2, kUtf16LeMark) == 0)
        return true;
    std::wstring text;
    if (!DecodeSettings(bytes, text))
        return false;  // not text that can be kept: the file stays as it is
    std::string unicode = Utf16LeBytes(text);
    // Written beside it first, then put in its place in one step: a crash or a
    // full disk leaves the old file, never a part of the new one.
    std::wstring replacement = g_settingsPath + L".tmp";
    if (WriteWholeFile(replacement, unicode, CREATE_ALWAYS) &&
        MoveFileExW(replacement.c_str(), g_settingsPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(replacement.c_str());
    std::wstring copy = ConvertedCopyPath();
    if (!copy.empty() && WriteWholeFile(copy, unicode, CREATE_ALWAYS))
        g_convertedCopy = copy;
    return false;
}

std::wstring ReadSettingString(const wchar_t *key, const wchar_t *defaultText, DWORD capacity)
{
    std::wstring buffer(capacity, L'\0');
    const std::wstring &source = g_convertedCopy.empty() ? g_settingsPath : g_convertedCopy;
    DWORD length = GetPrivateProfileStringW(kSection, key, defaultText, &buffer[0], capacity, source.c_str());
    buffer.resize(length);
    return buffer;
}

int ReadSettingInt(const wchar_t *key)
{
    return _wtoi(ReadSettingString(key, L"", 32).c_str());
}

bool WriteSetting(const wchar_t *key, const wchar_t *text)
{
    if (!ConvertSettingsToUnicode())
        return false;
    // A file the INI functions create themselves is in the ANSI code page.
    if (GetFileAttributesW(g_settingsPath.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !WriteWholeFile(g_settingsPath, kUtf16LeMark, CREATE_NEW))
        return false;
    return WritePrivateProfileStringW(kSection, key, text, g_settingsPath.c_str()) != FALSE;
}

bool SaveSettings(const std::wstring &folder, int intervalCount, LRESULT unitIndex,
                  LRESULT styleIndex, bool rotateAtStartup)
{
    bool saved = WriteSetting(L"wallpaperDir", folder.c_str());
    saved &= WriteSetting(L"rotationInt", DecimalText(intervalCount).c_str());
    saved &= WriteSetting(L"rotationIntType", DecimalText(unitIndex).c_str());
    saved &= WriteSetting(L"wallpaperMode", DecimalText(styleIndex).c_str());
    saved &= WriteSetting(L"rotateAtStartup", rotateAtStartup ? L"1" : L"0");
    return saved;
}
