#include "settings/settings_file.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

namespace {
class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override { g_settingsPath = Utf16(folder_.PathOf("settings.ini")); }

    ScratchFolder folder_;
};
}  // namespace

TEST_F(SettingsFileTest, ReadsTextAsStoredAndNumbersAsAtoiDoes)
{
    folder_.AddFile("settings.ini", "[Settings]\r\nrotationInt=0012\r\nrotateAtStartup=yes\r\nwallpaperMode= -3 \r\n"
                                    "rotationIntType=1abc\r\nwallpaperDir=" +
                                        std::string(40, 'd') + "\r\n");
    EXPECT_EQ(ReadSettingString(L"rotationInt", L"10", 32), L"0012");
    EXPECT_EQ(ReadSettingInt(L"rotateAtStartup"), 0);
    EXPECT_EQ(ReadSettingInt(L"wallpaperMode"), -3);
    EXPECT_EQ(ReadSettingInt(L"rotationIntType"), 1);
    EXPECT_EQ(ReadSettingString(L"wallpaperDir", L"", 32), std::wstring(31, L'd')) << "cut to the capacity";
    EXPECT_EQ(ReadSettingString(L"missing", L"fallback", 32), L"fallback");
    EXPECT_EQ(ReadSettingInt(L"missing"), 0);
}
