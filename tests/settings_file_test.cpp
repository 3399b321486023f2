#include "settings/settings_file.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

namespace {
class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override { g_settingsPath = folder_.PathOf("settings.ini"); }

    ScratchFolder folder_;
};
}  // namespace

TEST_F(SettingsFileTest, ReadsTextAsStoredAndNumbersAsAtoiDoes)
{
    folder_.AddFile("settings.ini",
                    "[Settings]\r\nrotationInt=0012\r\nrotateAtStartup=yes\r\nwallpaperMode= -3 \r\n"
                    "rotationIntType=1abc\r\nwallpaperDir=" + std::string(40, 'd') + "\r\n");
    EXPECT_EQ(ReadSettingString("rotationInt", "10", 32), "0012");
    EXPECT_EQ(ReadSettingInt("rotateAtStartup"), 0);
    EXPECT_EQ(ReadSettingInt("wallpaperMode"), -3);
    EXPECT_EQ(ReadSettingInt("rotationIntType"), 1);
    EXPECT_EQ(ReadSettingString("wallpaperDir", "", 32), std::string(31, 'd')) << "cut to the capacity";
    EXPECT_EQ(ReadSettingString("missing", "fallback", 32), "fallback");
    EXPECT_EQ(ReadSettingInt("missing"), 0);
}
