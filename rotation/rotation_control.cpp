#include "rotation/rotation_control.h"

#include "base/executable_path.h"
#include "base/text_conversion.h"
#include "rotation/image_sequence.h"
#include "rotation/wallpaper_applier.h"

#include <climits>
#include <cstdlib>
#include <cwchar>

std::string g_imageFolder;
int g_intervalCount = 10;
int g_unitMillis = 1000;

static HWND g_timerWindow;
static UINT_PTR g_timerId;
static bool g_rotationArmed;

static const char kImagePattern[] = "\\*.jpg";

// Shorter periods would change the wallpaper faster than the desktop redraws.
constexpr long long kMinimumPeriodMillis = 3000;
constexpr int kLargestIntervalCount = 9999;  // what the 4-digit interval box holds

void SetRotationTimer(HWND window, UINT_PTR timerId)
{
    g_timerWindow = window;
    g_timerId = timerId;
}

void SetIntervalUnit(LRESULT selection)
{
    g_unitMillis = selection == 1 ? 60000 : 1000;
}

int IntervalCountFromText(const std::string &text)
{
    // atoi's reading, without its wrap-around past the int range.
    long long count = strtoll(text.c_str(), nullptr, 10);
    if (count > kLargestIntervalCount)
        return kLargestIntervalCount;
    return count < INT_MIN ? INT_MIN : static_cast<int>(count);
}

// The absolute, normalised form of a path, of any length; empty when it has none.
static std::string FullPathName(const std::string &path)
{
    WideText wide = ToWide(path);
    WideText full(GetFullPathNameW(wide.data(), 0, nullptr, nullptr) + 1);
    if (!GetFullPathNameW(wide.data(), static_cast<DWORD>(full.size()), full.data(), nullptr))
        return "";
    return FromWide(full.data());
}

static DWORD Attributes(const std::string &path)
{
    return GetFileAttributesW(ToWide(path).data());
}

// The \\?\ form of a full path, the only one that lifts the platform's path
// length limit.
static std::string ExtendedLengthPath(const std::string &path)
{
    std::string full = FullPathName(path);
    if (full.compare(0, 2, "\\\\") != 0)
        return "\\\\?\\" + full;
    if (full.compare(0, 4, "\\\\?\\") != 0 && full.compare(0, 4, "\\\\.\\") != 0)
        return "\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    return full;
}

static bool IsExistingFile(const std::string &path)
{
    DWORD attributes = Attributes(ExtendedLengthPath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The desktop keeps a wallpaper path of at most MAX_PATH - 1 characters: a
// longer one is handed over in its short (8.3) form where the file system
// has one that fits, and whole otherwise.
static std::string PathTheDesktopKeeps(const std::string &fullPath)
{
    if (ToWide(fullPath).size() <= MAX_PATH)
        return fullPath;
    WideText extended = ToWide(ExtendedLengthPath(fullPath));
    DWORD size = GetShortPathNameW(extended.data(), nullptr, 0);
    if (size == 0)
        return fullPath;
    WideText shortPath(size);
    DWORD length = GetShortPathNameW(extended.data(), shortPath.data(), size);
    if (length == 0 || length >= size)
        return fullPath;
    // \\?\C:\... becomes C:\..., and \\?\UNC\server\... becomes \\server\...
    size_t prefix = 4;
    if (wcsncmp(shortPath.data(), L"\\\\?\\UNC\\", 8) == 0) {
        prefix = 6;
        shortPath[prefix] = L'\\';
    }
    if (length - prefix >= MAX_PATH)
        return fullPath;
    return FromWide(shortPath.data() + prefix);
}

// A relative folder is taken from the program's own folder, as its settings
// file is, whatever the current directory (at logon, the system folder): a
// copy on a stick can name "pictures" under any drive letter. "\pictures" is
// in the root of the program's drive; "D:pictures" is in the program's folder
// when that is on D:, and in the root of D: otherwise.
static std::string FolderBesideProgram(const std::string &text)
{
    std::string program = ExecutablePath();
    size_t end = program.rfind('\\');
    if (end == std::string::npos)
        return text;
    std::string folder = program.substr(0, end + 1);  // with its backslash
    auto isSeparator = [&](size_t i) { return i < text.size() && (text[i] == '\\' || text[i] == '/'); };
    if (text.size() >= 2 && text[1] == ':') {
        if (isSeparator(2))
            return text;
        if (_strnicmp(text.c_str(), folder.c_str(), 2) == 0)
            return folder + text.substr(2);
        return text.substr(0, 2) + "\\" + text.substr(2);
    }
    if (!isSeparator(0))
        return folder + text;
    if (isSeparator(1))
        return text;  // \\server\share\..., \\?\...
    // The program's root: C: or \\server\share (\\?\C: alike).
    size_t rootEnd = folder.compare(0, 2, "\\\\") == 0 ? folder.find('\\', folder.find('\\', 2) + 1) : 2;
    return folder.substr(0, rootEnd) + text;
}

StartResult StartRotation(const std::string &folderText, const std::string &intervalText)
{
    if (folderText.empty())
        return StartResult::NoPath;
    if (intervalText.empty())
        return StartResult::NoInterval;

    // A negative count can only come from an edited settings file.
    int count = IntervalCountFromText(intervalText);
    long long period = static_cast<long long>(count) * g_unitMillis;
    if (count < 0 || period < kMinimumPeriodMillis)
        return StartResult::IntervalTooSmall;

    // Every path handed to the desktop must be absolute, and the search
    // pattern must fit the platform's path limit, which counts UTF-16 units.
    std::string folder = FullPathName(FolderBesideProgram(folderText));
    if (ToWide(folder + kImagePattern).size() > MAX_PATH)
        return StartResult::PathTooLong;
    DWORD attributes = Attributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return StartResult::InvalidPath;
    if (!HasImages(folder, kImagePattern))
        return StartResult::NoPictures;

    g_imageFolder = folder;
    g_intervalCount = count;
    ResetImageSequence();
    KillTimer(g_timerWindow, g_timerId);
    g_rotationArmed = SetTimer(g_timerWindow, g_timerId, static_cast<UINT>(period), nullptr) != 0;
    return StartResult::Started;
}

// Ends the pass: no tick follows, and the next start reads the folder afresh.
static void EndPass()
{
    KillTimer(g_timerWindow, g_timerId);
    g_rotationArmed = false;
    ResetImageSequence();
}

static bool HasGone(const std::string &folder)
{
    return Attributes(folder) == INVALID_FILE_ATTRIBUTES;
}

LRESULT OnRotationTick()
{
    // A tick from before any start, or after the pass has ended, changes nothing.
    if (!g_rotationArmed)
        return 0;

    // Pictures deleted since the folder was listed are skipped within the
    // same tick. A folder that has gone (a drive unplugged) ends the pass
    // quietly; one that holds no picture keeps the timer running.
    for (;;) {
        bool delivered = AdvanceImage(g_imageFolder, kImagePattern);
        if (g_currentImage.empty()) {
            if (HasGone(g_imageFolder))
                EndPass();
            return 0;
        }
        // Through the folder: its last picture is shown once more.
        if (!delivered)
            EndPass();
        std::string fullPath = g_imageFolder + "\\" + g_currentImage;
        if (IsExistingFile(fullPath)) {
            ApplyWallpaper(PathTheDesktopKeeps(fullPath));
            return 0;
        }
        if (!delivered)
            return 0;
        if (HasGone(g_imageFolder)) {
            EndPass();
            return 0;
        }
    }
}
