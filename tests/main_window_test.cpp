// The main window built in this process, for what another process cannot
// read back: the window class and the controls' fonts.
#include "settings/settings_file.h"
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
    void TearDown() override { DestroyWindow(window_); }

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
