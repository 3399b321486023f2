// The main window built in this process, for what another process cannot
// read back or change: the window class, the controls' fonts, and the
// desktop's refusals from one tick to the next.
#include "rotation/wallpaper_applier.h"
#include "settings/settings_file.h"
#include "support/message_box_watcher.h"
#include "support/scratch_folder.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_settingsPath = Utf16(home_.PathOf("settings.ini"));
        HINSTANCE instance = GetModuleHandleA(nullptr);
        largeIcon_ = LoadIconA(nullptr, IDI_APPLICATION);
        smallIcon_ = LoadIconA(nullptr, IDI_INFORMATION);
        RegisterMainWindowClass(instance, largeIcon_, smallIcon_);
        window_ = CreateMainWindow(instance);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(window_);
        // Its destruction ends the program: a quit message left behind would
        // close the next test's message boxes before they open.
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }

    HFONT Font(HWND control) const { return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)); }

    ScratchFolder home_;
    HICON largeIcon_, smallIcon_;
    HWND window_ = nullptr;
};
}  // namespace

TEST_F(MainWindowTest, ClassHasTheWhiteBrushArrowAndIcons)
{
    EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HBRBACKGROUND), reinterpret_cast<LONG_PTR>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HCURSOR), reinterpret_cast<LONG_PTR>(LoadCursor(nullptr, IDC_ARROW)));
    EXPECT_EQ(GetClassLongA(window_, GCL_STYLE), static_cast<DWORD>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HICON), reinterpret_cast<LONG_PTR>(largeIcon_));
    EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HICONSM), reinterpret_cast<LONG_PTR>(smallIcon_));
}

TEST_F(MainWindowTest, ControlsUseTheStockFontTheThinFontOrTheDefault)
{
    HGDIOBJ stock = GetStockObject(ANSI_VAR_FONT);
    EXPECT_EQ(Font(g_folderBox), stock);
    EXPECT_EQ(Font(g_intervalBox), stock);
    for (HWND thinControl : {g_styleCombo, g_unitCombo, g_autostartBox, g_startupBox})
        EXPECT_EQ(Font(thinControl), g_controlFont);
    for (int id : {IDC_BROWSE, IDC_START_ROTATION, IDC_SAVE_SETTINGS})
        EXPECT_EQ(Font(GetDlgItem(window_, id)), nullptr) << id;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16];
        GetClassNameA(child, className, sizeof className);
        if (strcmp(className, "Static") == 0) {
            EXPECT_EQ(Font(child), nullptr) << "labels keep the default font";
        }
    }
}

TEST_F(MainWindowTest, EachRefusalOfTheDesktopIsToldOnceAPass)
{
    ScratchFolder pictures;
    pictures.AddFile("a.jpg");
    CoInitialize(nullptr);
    CreateWallpaperApplier();
    SetWindowTextW(g_folderBox, Utf16(pictures.Path()).c_str());
    SetWindowTextW(g_intervalBox, L"60");
    MessageBoxWatcher watcher;
    // Two ticks over the one picture, which the pass's end shows again.
    const std::pair<const char *, const char *> cases[] = {
        {"style", "The desktop refused the wallpaper style:"},
        {"a.jpg", "The desktop refused the pictures:"},
    };
    for (const auto &[refuses, told] : cases) {
        SCOPED_TRACE(refuses);
        SetEnvironmentVariableA("BACKDROP_DESKTOP_REFUSES", refuses);
        watcher.Clear();
        StartRotationFromWindow();
        OnRotationTimer();
        OnRotationTimer();
        std::vector<std::string> texts = Texts(watcher.Messages());
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].rfind(told, 0), 0u) << texts[0];
    }
    SetEnvironmentVariableA("BACKDROP_DESKTOP_REFUSES", nullptr);
    ReleaseWallpaperApplier();
    CoUninitialize();
}
