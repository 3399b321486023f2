#include "support/rotation_fixture.h"
#include "support/scratch_folder.h"

using WallpaperApplierTest = RotationFixture;
using Log = std::vector<std::string>;

TEST_F(WallpaperApplierTest, NewFileIsSetWithTheCurrentStyleAndForced)
{
    SetWallpaperStyle(1);
    ClearDesktopLog();
    // A long path first: the shorter one after it must arrive terminated.
    std::string longPath = "C:\\" + std::string(250, 'p') + "\\" + std::string(250, 'f') + ".jpg";
    ApplyWallpaper(Utf16(longPath));
    ApplyWallpaper(L"C:\\Pictures\\a.jpg");
    EXPECT_EQ(ReadDesktopLog(),
              (Log{"SetWallpaper " + longPath + " 0", "SetWallpaperOptions 8 1 0", "ApplyChanges 15",
                   "SetWallpaper C:\\Pictures\\a.jpg 0", "SetWallpaperOptions 8 1 0", "ApplyChanges 15"}));
}

TEST_F(WallpaperApplierTest, PathOfAnyScriptArrivesWhole)
{
    const std::string path = "C:\\写真\\ｂｅｓｔ 😀.jpg";
    ApplyWallpaper(Utf16(path));
    Log log = ReadDesktopLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "SetWallpaper " + path + " 0");
}

TEST_F(WallpaperApplierTest, EveryRefusalIsReturnedAndWithoutTheShellObjectNothingIsCalled)
{
    const struct {
        const char *refuses;
        HRESULT style, picture, pictureStyle;
    } rows[] = {
        {"", S_OK, S_OK, S_OK},
        {"*", E_ACCESSDENIED, E_ACCESSDENIED, S_OK},  // every change
        {"style", E_ACCESSDENIED, S_OK, E_ACCESSDENIED},
        {"a.jpg", S_OK, E_ACCESSDENIED, S_OK},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.refuses);
        SetEnvironmentVariableA("BACKDROP_DESKTOP_REFUSES", row.refuses);
        EXPECT_EQ(SetWallpaperStyle(1), row.style);
        WallpaperAnswer answer = ApplyWallpaper(L"C:\\Pictures\\a.jpg");
        EXPECT_EQ(answer.picture, row.picture);
        EXPECT_EQ(answer.style, row.pictureStyle);
    }

    ReleaseWallpaperApplier();
    EXPECT_TRUE(FAILED(ApplyWallpaper(L"C:\\Pictures\\a.jpg").picture)) << "a released object takes nothing";
    ClearDesktopLog();
    // The shell's object cannot be created: here, on a thread without COM.
    CoUninitialize();
    CreateWallpaperApplier();
    CoInitialize(nullptr);

    EXPECT_EQ(g_wallpaperApplier.desktop, nullptr);
    SetWallpaperStyle(2);
    EXPECT_EQ(ApplyWallpaper(L"C:\\Pictures\\a.jpg").picture, CO_E_NOTINITIALIZED) << "the reason is told";
    ReleaseWallpaperApplier();
    EXPECT_TRUE(ReadDesktopLog().empty());
    EXPECT_EQ(g_wallpaperApplier.options.dwStyle, static_cast<DWORD>(WPSTYLE_STRETCH));
}

TEST_F(WallpaperApplierTest, AStyleChosenUnderTheOrganisationsWallpaperIsKeptForLaterNotApplied)
{
    const char policies[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    RegSetKeyValueA(HKEY_CURRENT_USER, policies, "Wallpaper", REG_SZ, "", 1);
    EXPECT_EQ(SetWallpaperStyle(2), S_OK);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, policies, "Wallpaper");
    EXPECT_TRUE(ReadDesktopLog().empty());
    EXPECT_EQ(g_wallpaperApplier.options.dwStyle, static_cast<DWORD>(WPSTYLE_STRETCH));
}
