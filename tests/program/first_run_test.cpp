#include "program/program_driver.h"
#include "support/desktop_log.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {
struct ExpectedControl {
    const char *className;
    const char *text;  // nullptr: checked elsewhere
    DWORD style;
    bool clientEdge;
    RECT bounds;  // x, y, width (0: as its caption needs), height
    int id;
};

const DWORD kCheckBox = 0x50000002;

const ExpectedControl kLayout[] = {
    {"Static",
     "Please select the location where you wish to load images from:",
     0x50000100,
     false,
     {10, 14, 420, 20},
     0},
    {"Edit", nullptr, 0x50000080, true, {10, 34, 380, 24}, 0},
    {"Button", "...", 0x50000000, false, {394, 34, 24, 24}, 1004},
    {"Button", "Start rotation", 0x50008000, false, {460, 14, 120, 24}, 1000},
    {"Button", "Save settings", 0x50008000, false, {460, 48, 120, 24}, 1005},
    {"Button", "Start with Windows", kCheckBox, false, {10, 180, 220, 20}, 1007},
    {"Static", "Wallpaper mode:", 0x50000100, false, {240, 64, 160, 20}, 0},
    // The combo box control takes off its own border styles, so they do not show.
    {"ComboBox", "Center", 0x50000A03, false, {240, 84, 120, 0}, 500},
    {"Static", "Rotation interval:", 0x50000100, false, {10, 64, 160, 20}, 0},
    {"Edit", "10", 0x50002080, true, {10, 84, 40, 24}, 0},
    {"ComboBox", "Seconds", 0x50000A03, false, {60, 84, 120, 0}, 501},
    {"Button", "Start rotation at program startup", kCheckBox, false, {10, 204, 0, 20}, 1008},
};

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Wide: Wine hands an ANSI item text to another process cut short.
        WCHAR text[64] = L"";
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        char narrow[64];
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
        items.push_back(narrow);
    }
    return items;
}

// Where a check box's caption ends: drawn in the thin font (FW_THIN, default
// face and height), half a digit after the 13-pixel check mark.
int CaptionEnd(const std::string &caption)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, CreateFontA(0, 0, 0, 0, FW_THIN, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, nullptr));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    int digit = 0;
    GetCharWidth32A(dc, '0', '0', &digit);
    DeleteObject(SelectObject(dc, previous));
    ReleaseDC(nullptr, dc);
    return 13 + digit / 2 + extent.cx;
}
}  // namespace

using FirstRunTest = ProgramTest;

TEST_F(FirstRunTest, WindowIsCentredFixedAndTitled)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    HWND window = program.Window();

    char title[64];
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "BackdropCarousel - v2.0");
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP));
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & ~(WS_EX_WINDOWEDGE), 0);

    RECT bounds;
    GetWindowRect(window, &bounds);
    EXPECT_EQ(bounds.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 300);
    EXPECT_EQ(bounds.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 130);
    EXPECT_EQ(bounds.right - bounds.left, 600);
    EXPECT_EQ(bounds.bottom - bounds.top, 260);

    EXPECT_TRUE(program.TrayIconPresent());
}

TEST_F(FirstRunTest, ControlsStandInTheirOrderWithTheirTextsStylesAndIds)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    std::vector<HWND> controls = program.Controls();
    ASSERT_EQ(controls.size(), std::size(kLayout));

    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    RECT client;
    GetClientRect(program.Window(), &client);
    for (size_t i = 0; i < controls.size(); ++i) {
        const ExpectedControl &expected = kLayout[i];
        HWND control = controls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        char className[32];
        GetClassNameA(control, className, sizeof className);
        EXPECT_STREQ(className, expected.className);
        std::string text = RunningProgram::Text(control);
        EXPECT_EQ(text, expected.text ? expected.text : std::string(windows) + "\\Web\\Wallpaper");
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)), expected.style);
        EXPECT_EQ((GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0, expected.clientEdge);
        EXPECT_EQ(GetDlgCtrlID(control), expected.id);

        RECT bounds;
        GetWindowRect(control, &bounds);
        MapWindowPoints(nullptr, program.Window(), reinterpret_cast<POINT *>(&bounds), 2);
        EXPECT_EQ(bounds.left, expected.bounds.left);
        EXPECT_EQ(bounds.top, expected.bounds.top);
        int width = bounds.right - bounds.left;
        if (expected.style == kCheckBox) {  // the caption fits, within the window, never narrowed
            EXPECT_LE(CaptionEnd(text), width);
            EXPECT_GE(width, 220);
            EXPECT_LE(bounds.right, client.right);
        }
        if (expected.bounds.right) {
            EXPECT_EQ(width, expected.bounds.right);
        }
        if (expected.bounds.bottom) {  // a closed combo box is as tall as its font needs
            EXPECT_EQ(bounds.bottom - bounds.top, expected.bounds.bottom);
        }
    }

    EXPECT_EQ(ComboItems(program.Control(IDC_WALLPAPER_MODE)), (std::vector<std::string>{"Center", "Tile", "Stretch"}));
    EXPECT_EQ(ComboItems(program.Control(IDC_INTERVAL_UNIT)), (std::vector<std::string>{"Seconds", "Minutes"}));
    EXPECT_EQ(SendMessageA(program.FolderBox(), EM_GETLIMITTEXT, 0, 0), 260);
    EXPECT_EQ(SendMessageA(program.IntervalBox(), EM_GETLIMITTEXT, 0, 0), 4);
    EXPECT_FALSE(program.Checked(IDC_ROTATE_AT_STARTUP));
}

TEST_F(FirstRunTest, DefaultStyleIsAppliedAtOnceAndNothingRotates)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    Sleep(300);
    EXPECT_EQ(ReadDesktopLog(), (std::vector<std::string>{"create", "SetWallpaperOptions 8 0 0", "ApplyChanges 7"}));
    EXPECT_TRUE(program.Messages().Messages().empty());
    EXPECT_EQ(GetFileAttributesA(home_.PathOf("settings.ini").c_str()), INVALID_FILE_ATTRIBUTES)
        << "reading writes nothing";
}

TEST_F(FirstRunTest, AWindowThatCannotBeCreatedEndsTheStartWithAMessage)
{
    SetEnvironmentVariableA("BACKDROP_REFUSE_MAIN_WINDOW", "1");  // the stand-in refuses it
    RunningProgram::Options options;
    options.showsWindow = false;
    RunningProgram program(home_, options);
    SetEnvironmentVariableA("BACKDROP_REFUSE_MAIN_WINDOW", nullptr);

    EXPECT_EQ(program.WaitForExit(), 1u);
    EXPECT_EQ(Texts(program.Messages().Messages()), std::vector<std::string>{"Failed to create the main window!"});
    EXPECT_EQ(ReadDesktopLog(), (std::vector<std::string>{"create", "Release 0"})) << "and shut down";
}
