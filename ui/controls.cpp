#include "ui/controls.h"

#include "base/decimal_text.h"
#include "rotation/rotation_control.h"
#include "rotation/wallpaper_applier.h"
#include "settings/autostart.h"
#include "settings/settings_file.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/messages.h"

#include <shlobj.h>

#include <cwchar>
#include <string>

HFONT g_controlFont = CreateFontA(0, 0, 0, 0, FW_THIN, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, nullptr);
HWND g_folderBox;
HWND g_intervalBox;
HWND g_styleCombo;
HWND g_unitCombo;
HWND g_autostartBox;
HWND g_startupBox;

static const char kSaveFailed[] = "Your settings could not be saved!";
// Told when a start finds the wallpaper set by the organisation, and when a
// tick finds it set since the start.
static const char kSetByPolicy[] = "The desktop background is set by your organisation!";

// What the folder box holds, in UTF-16 units.
static const int kFolderLimit = MAX_PATH;

// Unicode windows: an ANSI edit control keeps its text in bytes, counts its
// limit in bytes, and draws them in the system's code page.
static HWND CreateControl(HWND parent, const wchar_t *className, const wchar_t *text, DWORD style, DWORD extendedStyle,
                          int x, int y, int width, int height, int id = 0)
{
    return CreateWindowExW(extendedStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance, nullptr);
}

static void SetControlFont(HWND control, HGDIOBJ font)
{
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

static HWND CreateLabel(HWND parent, const wchar_t *text, int x, int y, int width)
{
    return CreateControl(parent, L"STATIC", text, SS_NOTIFY, 0, x, y, width, 20);
}

static HWND CreateComboBox(HWND parent, int x, int y, int id, const wchar_t *const *items, int itemCount)
{
    HWND combo = CreateControl(parent, L"COMBOBOX", L"",
                               WS_BORDER | CBS_DISABLENOSCROLL | CBS_HASSTRINGS | CBS_DROPDOWNLIST, WS_EX_CLIENTEDGE, x,
                               y, 120, 200, id);
    SetControlFont(combo, g_controlFont);
    for (int i = 0; i < itemCount; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
    return combo;
}

// 220 pixels wide, or as much wider as its caption needs in the thin font
// beside the check mark, up to the window's edge. A classic check mark is
// 13 pixels wide at the 96 DPI the program runs at (it declares no DPI
// awareness); the gap to the caption is not documented: an average character
// covers it and the focus rectangle.
static int CheckBoxWidth(HWND parent, const wchar_t *text, int x)
{
    const int kNarrowest = 220;
    const int kCheckMark = 13;
    HDC dc = GetDC(parent);
    HGDIOBJ previousFont = SelectObject(dc, g_controlFont);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &extent);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previousFont);
    ReleaseDC(parent, dc);
    RECT client;
    GetClientRect(parent, &client);
    int needed = kCheckMark + metrics.tmAveCharWidth + extent.cx;
    int room = client.right - x;
    int width = needed < room ? needed : room;
    return width > kNarrowest ? width : kNarrowest;
}

static HWND CreateCheckBox(HWND parent, const wchar_t *text, int y, int id)
{
    const int x = 10;
    HWND box = CreateControl(parent, L"BUTTON", text, BS_CHECKBOX, 0, x, y, CheckBoxWidth(parent, text, x), 20, id);
    SetControlFont(box, g_controlFont);
    return box;
}

// The whole text, read into a buffer as long as the control says it is.
static std::wstring GetText(HWND control)
{
    std::wstring text(GetWindowTextLengthW(control) + 1, L'\0');
    text.resize(GetWindowTextW(control, &text[0], static_cast<int>(text.size())));
    return text;
}

// The stored folder, as much of it as the box holds, never cut inside a
// character of two UTF-16 units; the box's text stays when the key is missing.
static void FillFolderFromSetting()
{
    // One unit more than the box holds tells a folder that is too long.
    std::wstring folder = ReadSettingString(L"wallpaperDir", GetText(g_folderBox).c_str(), kFolderLimit + 2);
    if (folder.size() > kFolderLimit)
        folder.resize(IS_HIGH_SURROGATE(folder[kFolderLimit - 1]) ? kFolderLimit - 1 : kFolderLimit);
    SetWindowTextW(g_folderBox, folder.c_str());
}

// Selects the stored index of a key; an index the combo refuses selects the
// first item.
static void SelectFromSetting(HWND combo, const wchar_t *key)
{
    if (SendMessageA(combo, CB_SETCURSEL, ReadSettingInt(key), 0) == CB_ERR)
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

static LRESULT Selection(HWND combo)
{
    return SendMessageA(combo, CB_GETCURSEL, 0, 0);
}

// The interval box shows the number that starting and saving will use; a
// stored count of one to four digits is shown as it is written.
static void FillIntervalFromSetting()
{
    std::wstring stored = ReadSettingString(L"rotationInt", GetText(g_intervalBox).c_str(), 32);
    bool shownAsStored = !stored.empty() && stored.size() <= 4 &&
                         stored.find_first_not_of(L"0123456789") == std::wstring::npos;
    if (!shownAsStored)
        stored = DecimalText(IntervalCountFromText(stored));
    SetWindowTextW(g_intervalBox, stored.c_str());
}

static bool IsChecked(HWND box)
{
    return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

static void SetChecked(HWND box, bool checked)
{
    SendMessageA(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT OnCreate(HWND window)
{
    // Rotation may start before CreateWindowEx returns; its timer needs the window.
    g_mainWindow = window;
    SetRotationTimer(window, IDT_ROTATION);

    CreateLabel(window, L"Please select the location where you wish to load images from:", 10, 14, 420);

    g_folderBox = CreateControl(window, L"EDIT", g_imageFolder.c_str(), ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 10, 34, 380,
                                24);
    SendMessageA(g_folderBox, EM_LIMITTEXT, kFolderLimit, 0);
    SetControlFont(g_folderBox, GetStockObject(ANSI_VAR_FONT));
    FillFolderFromSetting();

    CreateControl(window, L"BUTTON", L"...", BS_PUSHBUTTON, 0, 394, 34, 24, 24, IDC_BROWSE);
    CreateControl(window, L"BUTTON", L"Start rotation", BS_FLAT, 0, 460, 14, 120, 24, IDC_START_ROTATION);
    CreateControl(window, L"BUTTON", L"Save settings", BS_FLAT, 0, 460, 48, 120, 24, IDC_SAVE_SETTINGS);

    g_autostartBox = CreateCheckBox(window, L"Start with Windows", 180, IDC_START_WITH_WINDOWS);
    SetChecked(g_autostartBox, IsAutostartRegistered());

    CreateLabel(window, L"Wallpaper mode:", 240, 64, 160);
    static const wchar_t *const styles[] = {L"Center", L"Tile", L"Stretch"};
    g_styleCombo = CreateComboBox(window, 240, 84, IDC_WALLPAPER_MODE, styles, ARRAYSIZE(styles));
    SelectFromSetting(g_styleCombo, L"wallpaperMode");
    // Not the user's doing: a refusal is told when a style is picked or a
    // picture shown.
    if (Selection(g_styleCombo) != CB_ERR)
        SetWallpaperStyle(Selection(g_styleCombo));

    CreateLabel(window, L"Rotation interval:", 10, 64, 160);
    g_intervalBox = CreateControl(window, L"EDIT", DecimalText(g_intervalCount).c_str(), ES_NUMBER | ES_AUTOHSCROLL,
                                  WS_EX_CLIENTEDGE, 10, 84, 40, 24);
    SendMessageA(g_intervalBox, EM_LIMITTEXT, 4, 0);
    SetControlFont(g_intervalBox, GetStockObject(ANSI_VAR_FONT));
    FillIntervalFromSetting();

    static const wchar_t *const units[] = {L"Seconds", L"Minutes"};
    g_unitCombo = CreateComboBox(window, 60, 84, IDC_INTERVAL_UNIT, units, ARRAYSIZE(units));
    SelectFromSetting(g_unitCombo, L"rotationIntType");
    if (Selection(g_unitCombo) != CB_ERR)
        SetIntervalUnit(Selection(g_unitCombo));

    g_startupBox = CreateCheckBox(window, L"Start rotation at program startup", 204, IDC_ROTATE_AT_STARTUP);
    if (ReadSettingInt(L"rotateAtStartup") == 1) {
        SetChecked(g_startupBox, true);
        StartRotationFromWindow();
    }
    return 0;
}

void StartRotationFromWindow()
{
    static const struct {
        StartResult result;
        const char *text;
    } refusals[] = {
        {StartResult::SetByPolicy, kSetByPolicy},
        {StartResult::NoPath, "You must specify a path!"},
        {StartResult::NoInterval, "You must specify an interval!"},
        {StartResult::IntervalTooSmall, "The interval you specified is too small!"},
        {StartResult::PathTooLong, "The path you specified is too long!"},
        {StartResult::InvalidPath, "The path you specified is invalid!"},
        {StartResult::NoPictures, "The folder you specified has no .jpg pictures!"},
    };
    StartResult result = StartRotation(GetText(g_folderBox), GetText(g_intervalBox));
    for (const auto &refusal : refusals) {
        if (refusal.result == result)
            ShowError(refusal.text);
    }
}

// The style goes to the desktop with every picture: a refusal is told once,
// until the desktop takes a style again. Marked before the message box, whose
// wait lets the next tick in.
static void TellStyleAnswer(HRESULT answer)
{
    static bool told;
    bool tell = FAILED(answer) && !told;
    told = FAILED(answer);
    if (tell)
        ShowError("The desktop refused the wallpaper style:", answer);
}

LRESULT OnRotationTimer()
{
    TickOutcome outcome = OnRotationTick();
    if (outcome.shown)
        TellStyleAnswer(outcome.style);
    if (FAILED(outcome.refused))
        ShowError("The desktop refused the pictures:", outcome.refused);
    if (outcome.setByPolicy)
        ShowError(kSetByPolicy);
    return 0;
}

static void BrowseForFolder()
{
    // No owner: the settings window stays usable while the picker is open.
    BROWSEINFOW browseInfo = {};
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browseInfo);
    if (!item)
        return;
    WCHAR path[MAX_PATH];
    if (SHGetPathFromIDListW(item, path))
        SetWindowTextW(g_folderBox, path);
    CoTaskMemFree(item);
}

static void SaveControls()
{
    bool saved = SaveSettings(FolderFromText(GetText(g_folderBox)), IntervalCountFromText(GetText(g_intervalBox)),
                              Selection(g_unitCombo), Selection(g_styleCombo), IsChecked(g_startupBox));
    if (saved)
        ShowInfo("Your settings have been saved!");
    else
        ShowError(kSaveFailed);
}

// The box always shows whether Windows will start this copy, also when the
// change failed (removing a machine-wide value needs administrator rights,
// and so does ticking beside another copy's; a path too long for a Run value
// has no form Windows would run).
static void ToggleStartWithWindows()
{
    bool wanted = !IsChecked(g_autostartBox);
    if (wanted)
        RegisterAutostart();
    else
        UnregisterAutostart();
    bool registered = IsAutostartRegistered();
    SetChecked(g_autostartBox, registered);
    if (registered != wanted)
        ShowError("Could not change the start with Windows setting!");
}

// Written at once, before any "Save settings"; the box keeps its state when
// the file cannot take it.
static void ToggleRotateAtStartup()
{
    bool wanted = !IsChecked(g_startupBox);
    if (WriteSetting(L"rotateAtStartup", wanted ? L"1" : L"0"))
        SetChecked(g_startupBox, wanted);
    else
        ShowError(kSaveFailed);
}

LRESULT OnCommand(WORD controlId, WORD notification)
{
    if (notification == CBN_SELCHANGE) {
        // Both apply at once; a running rotation keeps its period until started again.
        if (controlId == IDC_WALLPAPER_MODE && Selection(g_styleCombo) != CB_ERR)
            TellStyleAnswer(SetWallpaperStyle(Selection(g_styleCombo)));
        else if (controlId == IDC_INTERVAL_UNIT && Selection(g_unitCombo) != CB_ERR)
            SetIntervalUnit(Selection(g_unitCombo));
        return 0;
    }
    if (notification != BN_CLICKED)
        return 0;

    switch (controlId) {
    case IDC_START_ROTATION:
        StartRotationFromWindow();
        break;
    case IDC_BROWSE:
        BrowseForFolder();
        break;
    case IDC_SAVE_SETTINGS:
        SaveControls();
        break;
    case IDC_START_WITH_WINDOWS:
        ToggleStartWithWindows();
        break;
    case IDC_ROTATE_AT_STARTUP:
        ToggleRotateAtStartup();
        break;
    }
    return 0;
}

LRESULT OnClose(HWND window)
{
    // Only the tray menu exits; the program stays in the notification area.
    ShowWindow(window, SW_HIDE);
    return 0;
}
