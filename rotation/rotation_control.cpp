#include "rotation/rotation_control.h"

#include "rotation/image_sequence.h"
#include "base/text_conversion.h"
#include "rotation/wallpaper_applier.h"

#include <climits>
#include <cstdlib>

std::string g_imageFolder;
int g_intervalCount = 10;
int g_unitMillis = 1000;

static HWND g_timerWindow;
static bool g_rotationArmed;

static const char kImagePattern[] = "\\*.jpg";

// Shorter periods would change the wallpaper faster than the desktop redraws.
constexpr long long kMinimumPeriodMillis = 3000;
constexpr int kLargestIntervalCount = 9999;  // what the 4-digit interval box holds

void SetRotationWindow(HWND window)
{
    g_timerWindow = window;
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

// A picture's full path may be longer than the platform's path limit; only
// the \\?\ form of the path lifts it.
static bool IsExistingFile(const std::string &path)
{
    std::string full = FullPathName(path);
    if (full.compare(0, 2, "\\\\") != 0)
        full = "\\\\?\\" + full;
    else if (full.compare(0, 4, "\\\\?\\") != 0 && full.compare(0, 4, "\\\\.\\") != 0)
        full = "\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    DWORD attributes = Attributes(full);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
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
    std::string folder = FullPathName(folderText);
    if (ToWide(folder + kImagePattern).size() > MAX_PATH)
        return StartResult::PathTooLong;
    DWORD attributes = Attributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return StartResult::InvalidPath;

    g_imageFolder = folder;
    g_intervalCount = count;
    ResetImageSequence();
    KillTimer(g_timerWindow, IDT_ROTATION);
    g_rotationArmed = SetTimer(g_timerWindow, IDT_ROTATION, static_cast<UINT>(period), nullptr) != 0;
    return StartResult::Started;
}

void StopRotation()
{
    KillTimer(g_timerWindow, IDT_ROTATION);
    g_rotationArmed = false;
}

LRESULT OnRotationTick(WPARAM timerId)
{
    // Another timer's tick, or one from before any start, changes nothing.
    if (timerId != IDT_ROTATION || !g_rotationArmed)
        return 0;

    // Pictures deleted since the search listed them are skipped within the
    // same tick; when none is left, the pass ends without a change.
    for (;;) {
        AdvanceImage(kImagePattern);
        if (g_currentImage.empty()) {
            // A folder that has gone (a drive unplugged) ends the pass quietly.
            if (Attributes(g_imageFolder) == INVALID_FILE_ATTRIBUTES)
                EndPass();
            return 0;
        }
        bool passEnded = !g_rotationArmed;
        std::string fullPath = g_imageFolder + "\\" + g_currentImage;
        if (IsExistingFile(fullPath)) {
            ApplyWallpaper(fullPath);
            return 0;
        }
        if (passEnded)
            return 0;
    }
}
