#include "settings/settings_file.h"

#include "base/decimal_text.h"
#include "base/executable_path.h"
#include "base/folder_text.h"
#include "base/registry.h"
#include "settings/file_replacement.h"
#include "settings/settings_encoding.h"

#include <cwchar>

// The SDK's headers define it only for a Windows 10 after 2004 as the
// minimum (NTDDI_WIN10_MN), mingw-w64's not at all.
#ifndef LOCALE_IUSEUTF8LEGACYACP
#define LOCALE_IUSEUTF8LEGACYACP 0x00000666
#endif

std::wstring g_settingsPath;

static const wchar_t kSection[] = L"Settings";

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

UINT SystemCodePage()
{
    // The system's own ANSI code page, which Windows reads from here at start;
    // GetACP() gives the program's, UTF-8 under its manifest.
    RegistryKey codePages(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", KEY_QUERY_VALUE);
    std::wstring codePage;
    if (codePages.ReadString(L"ACP", &codePage) != ERROR_SUCCESS)
        return 0;
    return static_cast<UINT>(wcstoul(codePage.c_str(), nullptr, 10));
}

UINT LegacyCodePage(UINT systemCodePage)
{
    // The system locale by its name: Wine takes no LOCALE_NAME_SYSTEM_DEFAULT.
    wchar_t locale[LOCALE_NAME_MAX_LENGTH];
    if (systemCodePage != CP_UTF8 || !GetSystemDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH))
        return systemCodePage;
    // Newer Windows name the code page the system would have without the
    // option (LOCALE_IUSEUTF8LEGACYACP); older ones give the locale's
    // default instead, which the option may have made UTF-8 too.
    for (LCTYPE type : {LOCALE_IUSEUTF8LEGACYACP, LOCALE_IDEFAULTANSICODEPAGE}) {
        UINT codePage = 0;
        if (GetLocaleInfoEx(locale, type | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&codePage),
                            sizeof codePage / sizeof(WCHAR)) &&
            codePage != CP_UTF8)
            return codePage;
    }
    return CP_UTF8;
}

// Where a start looks for the folder: relative to the program's own folder.
static bool FolderExistsForStart(const std::wstring &folderText)
{
    std::wstring folder = FolderPathFromText(folderText);
    DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The conversion; with replaceUntold, a file whose form cannot be told is
// replaced, its original kept, by an empty one for a save to fill: the window
// shows what the INI functions read of it, which the save then writes.
static bool PutIntoUnicode(UINT legacyCodePage, bool replaceUntold)
{
    g_convertedCopy.clear();
    HANDLE file = OpenForReading(g_settingsPath);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;  // no file, nothing to convert
    std::string bytes;
    bool whole = false;
    BY_HANDLE_FILE_INFORMATION information = {};
    bool read = ReadFileBytes(file, bytes, whole) && GetFileInformationByHandle(file, &information);
    std::wstring path = FinalPath(file, g_settingsPath);
    CloseHandle(file);
    if (read && bytes.compare(0, 2, kUtf16LeMark) == 0)
        return true;
    // Unreadable or too large: the file stays as it is, read as the INI
    // functions read it, and takes no write.
    if (!read || !whole)
        return false;
    std::wstring text;
    bool told = DecodeSettings(bytes, legacyCodePage, FolderExistsForStart, text);
    if (!told && !replaceUntold)
        return false;
    std::string unicode = Utf16LeBytes(told ? text : L"");
    if (KeepOriginal(g_settingsPath, bytes) && ReplaceContent(path, information.nNumberOfLinks > 1, unicode))
        return true;
    std::wstring copy = TemporaryFile(L"BackdropCarousel settings.ini");
    if (told && !copy.empty() && WriteWholeFile(copy, unicode, CREATE_ALWAYS))
        g_convertedCopy = copy;
    return false;
}

bool ConvertSettingsToUnicode(UINT legacyCodePage)
{
    return PutIntoUnicode(legacyCodePage, false);
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

// A write to a file already in UTF-16.
static bool WriteConverted(const wchar_t *key, const wchar_t *text)
{
    // A file the INI functions create themselves is in the ANSI code page.
    if (GetFileAttributesW(g_settingsPath.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !WriteWholeFile(g_settingsPath, kUtf16LeMark, CREATE_NEW))
        return false;
    return WritePrivateProfileStringW(kSection, key, text, g_settingsPath.c_str()) != FALSE;
}

bool WriteSetting(const wchar_t *key, const wchar_t *text)
{
    // One key alone in place of a file that cannot be told would lose the
    // other four the window shows: only a save replaces such a file.
    return ConvertSettingsToUnicode() && WriteConverted(key, text);
}

bool SaveSettings(const std::wstring &folder, int intervalCount, LRESULT unitIndex, LRESULT styleIndex,
                  bool rotateAtStartup)
{
    // One conversion for all five writes, which then find the file in UTF-16.
    if (!PutIntoUnicode(LegacyCodePage(), true))
        return false;
    bool saved = WriteConverted(L"wallpaperDir", folder.c_str());
    saved &= WriteConverted(L"rotationInt", DecimalText(intervalCount).c_str());
    saved &= WriteConverted(L"rotationIntType", DecimalText(unitIndex).c_str());
    saved &= WriteConverted(L"wallpaperMode", DecimalText(styleIndex).c_str());
    saved &= WriteConverted(L"rotateAtStartup", rotateAtStartup ? L"1" : L"0");
    return saved;
}
