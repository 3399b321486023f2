// Turns a folder and an interval into a running rotation, and carries out
// each rotation tick.
#pragma once

// A start reads the folder box as FolderPathFromText reads a folder text.
#include "base/folder_text.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

// The absolute folder being rotated; replaced only by a start. A folder typed
// relative is taken from the program's own folder.
extern std::wstring g_imageFolder;
extern int g_intervalCount;  // interval count of the last start
extern int g_unitMillis;     // milliseconds per interval unit

// Why a start was refused; Started when it was not.
enum class StartResult {
    Started,
    SetByPolicy,
    NoPath,
    NoInterval,
    IntervalTooSmall,
    PathTooLong,
    InvalidPath,
    NoPictures
};

// The window and id of the rotation timer; set before the first start.
void SetRotationTimer(HWND window, UINT_PTR timerId);

// Unit combo selection: 1 is Minutes, anything else Seconds. A running
// rotation keeps its period until it is started again.
void SetIntervalUnit(LRESULT selection);

// The count an interval text stands for: its leading number, as atoi reads
// it, but no larger than the 4-digit interval box can hold.
int IntervalCountFromText(const std::wstring &text);

// The timer period of count units of unitMillis milliseconds each; 0 when
// that is too short (or negative) for a rotation.
UINT RotationPeriod(int count, int unitMillis);

// Checks that the organisation leaves the wallpaper to the user, then the
// folder and interval texts and, when all is well, takes them over, rewinds
// the image sequence and (re)arms the rotation timer. A refused start changes
// nothing: a running rotation goes on as it was.
StartResult StartRotation(const std::wstring &folderText, const std::wstring &intervalText);

// What the shell's SHQueryUserNotificationState says of the user's screen.
QUERY_USER_NOTIFICATION_STATE ShellNotificationState();

// How a tick learns whether a full-screen game or video, or a presentation,
// has the screen; ShellNotificationState unless replaced.
extern QUERY_USER_NOTIFICATION_STATE (*g_userNotificationState)();

// What a tick has for the user.
struct TickOutcome {
    bool shown;        // a picture became the wallpaper
    HRESULT style;     // when shown: the desktop's answer to its style
    HRESULT refused;   // the pass has ended with the desktop refusing every
                       // picture it had left: the last reason; else S_OK
    bool setByPolicy;  // the pass has ended as the organisation set the
                       // wallpaper since it started
};

// One rotation step on a tick of the rotation timer: the next picture of the
// folder that still exists and that the desktop takes becomes the wallpaper.
// While a full-screen program or a presentation has the screen, a tick
// changes nothing and the pass waits at its next picture. The tick after the
// last picture ends the pass, and so does one that finds the wallpaper set by
// the organisation: no tick follows until the next start.
TickOutcome OnRotationTick();
