#include "settings/settings_encoding.h"

#include "base/folder_text.h"

#include <cwchar>
#include <vector>

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
// in any case, blanks around it), and names a folder that exists.
static bool NamesExistingFolder(const std::wstring &line, FolderExists folderExists)
{
    size_t equals = line.find(L'=');
    return equals != std::wstring::npos &&
           _wcsicmp(WithoutBlanks(line.substr(0, equals)).c_str(), L"wallpaperDir") == 0 &&
           folderExists(line.substr(equals + 1));
}

// A line of the file in both of its possible readings.
struct Line {
    std::wstring unicode, legacy;
    bool isUnicode, isLegacy;
};

// The reading of a line that is text, with different meanings, both in UTF-8
// and in the legacy code page (rules 4 and 5). The folder's line is the one
// whose meaning can be checked: the reading that names an existing folder.
// Any other line, or a folder that exists in both readings or in neither, in
// the preferred one.
static const std::wstring &ReadingOf(const Line &line, bool preferLegacy, FolderExists folderExists)
{
    bool unicodeNamesFolder = NamesExistingFolder(line.unicode, folderExists);
    if (unicodeNamesFolder != NamesExistingFolder(line.legacy, folderExists))
        return unicodeNamesFolder ? line.unicode : line.legacy;
    return preferLegacy ? line.legacy : line.unicode;
}

// Rules 3 to 5. A carriage return, a line feed or both end a line, as for the
// INI functions; neither is ever part of a character in either reading (a
// double-byte code page's second bytes start at 0x40). Text in a double-byte
// code page (932, 936, 949, 950) is as often as not valid UTF-8 too; earlier
// versions wrote in it, so a line that reads both ways is taken in it unless
// the file shows itself UTF-8 (Notepad's UTF-8 without a mark has a line
// only UTF-8 reads). In a single-byte code page text practically never is
// valid UTF-8, and UTF-8 is the reading to take, whatever the other lines are.
static bool DecodeLines(const std::string &bytes, UINT legacyCodePage, bool markedUtf8, FolderExists folderExists,
                        std::wstring &text)
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
            text += line.unicode == line.legacy ? line.unicode : ReadingOf(line, preferLegacy, folderExists);
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

// Rule 6: whether text can be a settings file's: no NUL and no other control
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

// Rule 2: UTF-16 without a mark (other tools write it so) when the bytes make
// a settings file's text in one byte order and not in the other.
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

bool DecodeSettings(const std::string &bytes, UINT legacyCodePage, FolderExists folderExists, std::wstring &text)
{
    bool decoded;
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) {  // UTF-16BE, which the INI functions cannot read
        decoded = bytes.size() % 2 == 0;
        text = Utf16Text(bytes, 2, true);
    } else if (bytes.find('\0') != std::string::npos) {
        decoded = DecodeUnmarkedUtf16(bytes, text);
    } else {
        bool marked = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
        decoded = DecodeLines(bytes.substr(marked ? 3 : 0), legacyCodePage, marked, folderExists, text);
    }
    return decoded && IsPlausibleText(text);
}

std::string Utf16LeBytes(const std::wstring &text)
{
    std::string bytes = kUtf16LeMark;
    for (wchar_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}
