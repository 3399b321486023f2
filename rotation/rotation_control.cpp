#include "rotation/rotation_control.h"

#include "base/path_forms.h"
#include "rotation/image_sequence.h"
#include "rotation/wallpaper_applier.h"
#include "rotation/wallpaper_policy.h"

#include <climits>
#include <cstdlib>
#include <cwchar>

std::wstring g_imageFolder;
int g_intervalCount = 10;
int g_unitMillis = 1000;

static HWND g_timerWindow;
static UINT_PTR g_timerId;
static bool g_rotationArmed;

static const wchar_t kImagePattern[] = L"\\*.jpg";

// Wine answers without setting the state, which then stays at "accepts
// notifications".
QUERY_USER_NOTIFICATION_STATE ShellNotificationState()
{
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    return SUCCEEDED(SHQueryUserNotificationState(&state)) ? state : QUNS_ACCEPTS_NOTIFICATIONS;
}

QUERY_USER_NOTIFICATION_STATE (*g_userNotificationState)() = ShellNotificationState;

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

int IntervalCountFromText(const std::wstring &text)
{
    // atoi's reading, without its wrap-around past the int range.
    long long count = wcstoll(text.c_str(), nullptr, 10);
    if (count > kLargestIntervalCount)
        return kLargestIntervalCount;
    return count < INT_MIN ? INT_MIN : static_cast<int>(count);
}

UINT RotationPeriod(int count, int unitMillis)
{
    // A negative count can only come from an edited settings file.
    long long period = static_cast<long long>(count) * unitMillis;
    return count < 0 || period < kMinimumPeriodMillis ? 0 : static_cast<UINT>(period);
}

static DWORD Attributes(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str());
}

static bool IsExistingFile(const std::wstring &path)
{
    DWORD attributes = Attributes(ExtendedLengthPath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The desktop keeps a wallpaper path of at most MAX_PATH - 1 characters: a
// longer one is handed over in its short (8.3) form. Empty when there is no
// form that fits: drives without short names (ReFS, most data volumes) give
// the long path back, which the desktop would cut or drop.
static std::wstring PathTheDesktopKeeps(const std::wstring &fullPath)
{
    if (fullPath.size() < MAX_PATH)
        return fullPath;
    std::wstring shortPath = ShortPathName(fullPath);
    return shortPath.size() < MAX_PATH ? shortPath : L"";
}

// Windows 8 and later may fold the rotation timer into the processor's other
// wake-ups, within the system's default tolerance; Windows 7 has only the
// plain timer.
static bool ArmRotationTimer(UINT period)
{
    using SetCoalescableTimerFunction = UINT_PTR(WINAPI *)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);
    static const auto setCoalescableTimer = [] {
        // The program links user32.dll, so the handle is there; a null one
        // must still not reach GetProcAddress.
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        FARPROC address = user32 ? GetProcAddress(user32, "SetCoalescableTimer") : nullptr;
        return reinterpret_cast<SetCoalescableTimerFunction>(reinterpret_cast<void *>(address));
    }();
    if (setCoalescableTimer)
        return setCoalescableTimer(g_timerWindow, g_timerId, period, nullptr, TIMERV_DEFAULT_COALESCING) != 0;
    return SetTimer(g_timerWindow, g_timerId, period, nullptr) != 0;
}

StartResult StartRotation(const std::wstring &folderText, const std::wstring &intervalText)
{
    if (IsWallpaperSetByPolicy())
        return StartResult::SetByPolicy;
    if (FolderFromText(folderText).empty())
        return StartResult::NoPath;
    if (intervalText.empty())
        return StartResult::NoInterval;

    int count = IntervalCountFromText(intervalText);
    UINT period = RotationPeriod(count, g_unitMillis);
    if (period == 0)
        return StartResult::IntervalTooSmall;

    // Every path handed to the desktop must be absolute, and the search
    // pattern must fit the platform's path limit, which counts UTF-16 units.
    std::wstring folder = FolderPathFromText(folderText);
    if ((folder + kImagePattern).size() >= MAX_PATH)
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
    g_rotationArmed = ArmRotationTimer(period);
    return StartResult::Started;
}

// Ends the pass: no tick follows, and the next start reads the folder afresh.
static void EndPass()
{
    KillTimer(g_timerWindow, g_timerId);
    g_rotationArmed = false;
    ResetImageSequence();
}

static bool HasGone(const std::wstring &folder)
{
    return Attributes(folder) == INVALID_FILE_ATTRIBUTES;
}

// A change of wallpaper makes the desktop decode the picture at that moment:
// a game stutters, and a presentation's audience sees it.
static bool IsScreenTaken()
{
    QUERY_USER_NOTIFICATION_STATE state = g_userNotificationState();
    return state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE || state == QUNS_BUSY;
}

TickOutcome OnRotationTick()
{
    TickOutcome outcome = {false, S_OK, S_OK, false};
    // A tick from before any start, or after the pass has ended, changes
    // nothing; nor does one while the screen is taken, which leaves the pass
    // at the picture it would have shown.
    if (!g_rotationArmed || IsScreenTaken())
        return outcome;
    // A policy may arrive at any time: Group Policy's background refresh, or
    // a management agent that writes the values without telling windows.
    // Its few registry reads cost well under a millisecond a tick.
    if (IsWallpaperSetByPolicy()) {
        EndPass();
        outcome.setByPolicy = true;
        return outcome;
    }

    // Pictures deleted since the folder was listed, pictures whose path the
    // desktop cannot keep, and pictures the desktop refuses are skipped
    // within the same tick. A folder that has gone (a drive unplugged) ends
    // the pass quietly; one that holds no picture keeps the timer running.
    HRESULT refused = S_OK;
    for (;;) {
        bool delivered = AdvanceImage(g_imageFolder, kImagePattern);
        if (g_currentImage.empty()) {
            if (HasGone(g_imageFolder))
                EndPass();
            return outcome;
        }
        // Through the folder: its last picture is shown once more.
        if (!delivered)
            EndPass();
        std::wstring fullPath = g_imageFolder + L"\\" + g_currentImage;
        std::wstring kept = PathTheDesktopKeeps(fullPath);
        if (!kept.empty() && IsExistingFile(fullPath)) {
            WallpaperAnswer answer = ApplyWallpaper(kept);
            if (SUCCEEDED(answer.picture))
                return {true, answer.style, S_OK, false};
            refused = answer.picture;
        }
        if (!delivered) {
            outcome.refused = refused;
            return outcome;
        }
        if (HasGone(g_imageFolder)) {
            EndPass();
            return outcome;
        }
    }
}
