#include "settings/settings_file.h"

#include "base/decimal_text.h"
#include "base/executable_path.h"
#include "base/folder_text.h"
#include "base/registry.h"

#include <cwchar>
#include <vector>

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
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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

// The file's bytes when it is of a settings file's size (whole); of a larger
// file only the first two, which tell whether it needs converting at all.
static bool ReadSettingsBytes(HANDLE file, std::string &bytes, bool &whole)
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
    bool read = ReadSettingsBytes(file, bytes, whole);
    CloseHandle(file);
    return read && whole;
}

// Whether the bytes are all on the disk, not only whether they were accepted.
static bool WriteWholeFile(const std::wstring &path, const std::string &bytes, DWORD disposition)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                 written == bytes.size() && SetEndOfFile(file) && FlushFileBuffers(file);
    CloseHandle(file);
    return whole;
}

UINT LegacyCodePage()
{
    // The system's own ANSI code page, which Windows reads from here at start;
    // GetACP() gives the program's, UTF-8 under its manifest.
    RegistryKey codePages(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", KEY_QUERY_VALUE);
    std::wstring codePage;
    if (codePages.ReadString(L"ACP", &codePage) != ERROR_SUCCESS)
        return 0;
    return static_cast<UINT>(wcstoul(codePage.c_str(), nullptr, 10));
}

// Bytes in a code page as UTF-16; false when they are not text in it.
static bool Decode(UINT codePage, const std::string &bytes, std::wstring &text)
{
    text.clear();
    if (bytes.empty())
        return true;
    int size = static_cast<int>(bytes.size());
    int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return false;
    text.resize(length);
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, &text[0], length) == length;
}

// Whether the line is the folder's, as the INI functions read it (the key
// in any case, blanks around key and value), and names a folder that exists
// where a start looks for it.
static bool NamesExistingFolder(const std::wstring &line)
{
    size_t equals = line.find(L'=');
    if (equals == std::wstring::npos || _wcsicmp(WithoutBlanks(line.substr(0, equals)).c_str(), L"wallpaperDir") != 0)
        return false;
    std::wstring folder = FolderPathFromText(line.substr(equals + 1));
    DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The reading of a line that is text, with different meanings, both in UTF-8
// and in the legacy code page. The folder's line is the one whose meaning can
// be checked: the reading that names an existing folder. Any other line, or a
// folder that exists in both readings or in neither, in the preferred one.
static const std::wstring &ReadingOf(const std::wstring &unicode, const std::wstring &legacy, bool preferLegacy)
{
    bool unicodeNamesFolder = NamesExistingFolder(unicode);
    if (unicodeNamesFolder != NamesExistingFolder(legacy))
        return unicodeNamesFolder ? unicode : legacy;
    return preferLegacy ? legacy : unicode;
}

// A line of the file in both of its possible readings.
struct Line {
    std::wstring unicode, legacy;
    bool isUnicode, isLegacy;
};

// Each line in UTF-8 or in the legacy code page: an older editor may have
// added a line in one to a file in the other. A carriage return, a line feed
// or both end a line, as for the INI functions; neither is ever part of a
// character in either (a double-byte code page's second bytes start at 0x40).
// Text in a double-byte code page (932, 936, 949, 950) is as often as not
// valid UTF-8 too; earlier versions wrote in it, so a line that reads both
// ways is taken in it, unless the file shows itself UTF-8: a UTF-8 mark (an
// editor saved it so), or a line that only UTF-8 reads while none only the
// code page reads (Notepad's UTF-8 without a mark). In a single-byte code
// page text practically never is valid UTF-8, and UTF-8 is the reading to
// take, whatever the other lines are.
static bool DecodeLines(const std::string &bytes, UINT legacyCodePage, bool markedUtf8, std::wstring &text)
{
    bool hasLegacy = legacyCodePage != 0 && legacyCodePage != CP_UTF8;
    std::vector<Line> lines;
    std::string ends;  // each line's end: the same character in every one of these code pages
    bool unicodeOnly = false, legacyOnly = false;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string bytesOfLine = bytes.substr(start, end - start);
        Line line;
        line.isUnicode = Decode(CP_UTF8, bytesOfLine, line.unicode);
        line.isLegacy = hasLegacy && Decode(legacyCodePage, bytesOfLine, line.legacy);
        if (!line.isUnicode && !line.isLegacy)
            return false;
        unicodeOnly |= !line.isLegacy;
        legacyOnly |= !line.isUnicode;
        lines.push_back(line);
        ends += end < bytes.size() ? bytes[end] : '\0';
        start = end + 1;
    }
    CPINFO info;
    bool doubleByte = hasLegacy && GetCPInfo(legacyCodePage, &info) && info.MaxCharSize > 1;
    bool preferLegacy = doubleByte && !markedUtf8 && !(unicodeOnly && !legacyOnly);
    text.clear();
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line &line = lines[i];
        if (line.isUnicode && line.isLegacy)
            text += line.unicode == line.legacy ? line.unicode : ReadingOf(line.unicode, line.legacy, preferLegacy);
        else
            text += line.isUnicode ? line.unicode : line.legacy;
        if (ends[i] != '\0')
            text += static_cast<wchar_t>(ends[i]);
    }
    return true;
}

static std::wstring Utf16Text(const std::string &bytes, size_t start, bool bigEndian)
{
    std::wstring text;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        unsigned first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return text;
}

// Whether text can be a settings file's: no NUL and no other control
// character but tab and line ends, every UTF-16 surrogate in a pair.
static bool IsPlausibleText(const std::wstring &text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t unit = text[i];
        bool paired = IS_HIGH_SURROGATE(unit) ? i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1])
                                              : !IS_LOW_SURROGATE(unit) || (i > 0 && IS_HIGH_SURROGATE(text[i - 1]));
        bool control = (unit < L' ' && unit != L'\t' && unit != L'\r' && unit != L'\n') ||
                       (unit >= 0x7F && unit <= 0x9F) || unit == 0xFFFE || unit == 0xFFFF;
        if (!paired || control)
            return false;
    }
    return true;
}

static bool IsSettingsText(const std::wstring &text)
{
    return IsPlausibleText(text) && text.find_first_of(L"[=") != std::wstring::npos;
}

// UTF-16 without a mark (other tools write it so) when the bytes make a
// settings file's text in one byte order and not in the other.
static bool DecodeUnmarkedUtf16(const std::string &bytes, std::wstring &text)
{
    if (bytes.size() % 2 != 0)
        return false;
    std::wstring little = Utf16Text(bytes, 0, false), big = Utf16Text(bytes, 0, true);
    bool isLittle = IsSettingsText(little);
    if (isLittle == IsSettingsText(big))
        return false;
    text = isLittle ? little : big;
    return true;
}

// The text of a settings file of any form but UTF-16LE with its mark; false
// when its form cannot be told with confidence (binary bytes, stray NULs).
static bool DecodeSettings(const std::string &bytes, UINT legacyCodePage, std::wstring &text)
{
    bool decoded;
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) {  // UTF-16BE, which the INI functions cannot read
        decoded = bytes.size() % 2 == 0;
        text = Utf16Text(bytes, 2, true);
    } else if (bytes.find('\0') != std::string::npos) {  // in no code page's text but UTF-16
        decoded = DecodeUnmarkedUtf16(bytes, text);
    } else {
        bool marked = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
        decoded = DecodeLines(bytes.substr(marked ? 3 : 0), legacyCodePage, marked, text);
    }
    return decoded && IsPlausibleText(text);
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

// A file of the program's own in the user's temporary folder.
static std::wstring TemporaryFile(const wchar_t *name)
{
    wchar_t temporaryFolder[MAX_PATH + 1];
    DWORD length = GetTempPathW(ARRAYSIZE(temporaryFolder), temporaryFolder);
    if (length == 0 || length >= ARRAYSIZE(temporaryFolder))
        return L"";
    return std::wstring(temporaryFolder, length) + name;
}

// Whether the file holds the bytes: made for them, or there already with them.
static bool Keeps(const std::wstring &path, const std::string &bytes)
{
    std::string kept;
    return WriteWholeFile(path, bytes, CREATE_NEW) || (ReadWholeFile(path, kept) && kept == bytes);
}

// Keeps the bytes of the file before its conversion as settings.ini.bak
// beside it, so that a wrong guess can be undone by hand. An existing
// settings.ini.bak with other bytes may be the user's own copy, or the
// original of an earlier conversion, and stays; so does a file the folder
// refuses: the bytes then go to the temporary folder, under a name of the
// program's own that no other original holds ("BackdropCarousel settings
// (2).ini.bak" after the first), since any copy of the program, in any
// folder, keeps its originals there.
static bool KeepOriginal(const std::string &bytes)
{
    if (Keeps(g_settingsPath + L".bak", bytes))
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

// The file a link (symbolic, or a junction on its way) names: converting that
// file keeps the link, to a synchronised copy for example.
static std::wstring FinalPath(HANDLE file)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(file, &path[0], MAX_PATH, FILE_NAME_NORMALIZED);
    if (length >= MAX_PATH) {
        path.resize(length);
        length = GetFinalPathNameByHandleW(file, &path[0], length, FILE_NAME_NORMALIZED);
    }
    if (length == 0 || length >= path.size())
        return g_settingsPath;
    path.resize(length);
    return path;
}

decltype(&ReplaceFileW) g_replaceFile = ReplaceFileW;

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

// The file's content replaced, the file itself kept. A file with other names
// (hard links) is rewritten in place, as is one whose folder refuses new
// files (a per-file permission, a share without the right to create); never
// a file that took the name of one displaced by a failed replacement.
static bool ReplaceContent(const std::wstring &path, bool hasOtherNames, const std::string &bytes)
{
    bool displaced = false;
    if (!hasOtherNames && ReplaceThroughNewFile(path, bytes, displaced))
        return true;
    return !displaced && RetriedWhileShared(10, [&] { return WriteWholeFile(path, bytes, OPEN_EXISTING); });
}

bool ConvertSettingsToUnicode(UINT legacyCodePage)
{
    g_convertedCopy.clear();
    HANDLE file = OpenForReading(g_settingsPath);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;  // no file, nothing to convert
    std::string bytes;
    bool whole = false;
    BY_HANDLE_FILE_INFORMATION information = {};
    bool read = ReadSettingsBytes(file, bytes, whole) && GetFileInformationByHandle(file, &information);
    std::wstring path = FinalPath(file);
    CloseHandle(file);
    if (read && bytes.compare(0, 2, kUtf16LeMark) == 0)
        return true;
    // Unreadable, too large or not text that can be told: the file stays as
    // it is, read as the INI functions read it, and takes no write.
    std::wstring text;
    if (!read || !whole || !DecodeSettings(bytes, legacyCodePage, text))
        return false;
    std::string unicode = Utf16LeBytes(text);
    if (KeepOriginal(bytes) && ReplaceContent(path, information.nNumberOfLinks > 1, unicode))
        return true;
    std::wstring copy = TemporaryFile(L"BackdropCarousel settings.ini");
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
    return ConvertSettingsToUnicode() && WriteConverted(key, text);
}

bool SaveSettings(const std::wstring &folder, int intervalCount, LRESULT unitIndex, LRESULT styleIndex,
                  bool rotateAtStartup)
{
    // One conversion for all five writes, which then find the file in UTF-16.
    if (!ConvertSettingsToUnicode())
        return false;
    bool saved = WriteConverted(L"wallpaperDir", folder.c_str());
    saved &= WriteConverted(L"rotationInt", DecimalText(intervalCount).c_str());
    saved &= WriteConverted(L"rotationIntType", DecimalText(unitIndex).c_str());
    saved &= WriteConverted(L"wallpaperMode", DecimalText(styleIndex).c_str());
    saved &= WriteConverted(L"rotateAtStartup", rotateAtStartup ? L"1" : L"0");
    return saved;
}
