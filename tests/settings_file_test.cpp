#include "settings/settings_file.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {
class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override { g_settingsPath = folder_.PathOf("settings.ini"); }

    std::vector<std::string> FileLines() const
    {
        std::vector<std::string> lines;
        std::ifstream file(g_settingsPath);
        for (std::string line; std::getline(file, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    ScratchFolder folder_;
};
}  // namespace

TEST_F(SettingsFileTest, SavesTheFiveKeysInOrderWithTheirFormats)
{
    ASSERT_TRUE(SaveSettings("D:\\My Pictures\\", "0012", 1, 2, true));
    EXPECT_EQ(FileLines(), (std::vector<std::string>{"[Settings]", "wallpaperDir=D:\\My Pictures\\",
                                                      "rotationInt=12", "rotationIntType=1",
                                                      "wallpaperMode=2", "rotateAtStartup=1"}));

    // Saving again replaces each key in place.
    ASSERT_TRUE(SaveSettings("", "", 0, -1, false));
    EXPECT_EQ(FileLines(), (std::vector<std::string>{"[Settings]", "wallpaperDir=", "rotationInt=0",
                                                      "rotationIntType=0", "wallpaperMode=-1",
                                                      "rotateAtStartup=0"}));
}

TEST_F(SettingsFileTest, IntervalIsSavedAsItsLeadingNumber)
{
    for (const auto &c : {std::make_pair("7x", "7"), std::make_pair("abc", "0"), std::make_pair(" 42", "42")}) {
        SaveSettings("C:\\", c.first, 0, 0, false);
        EXPECT_EQ(ReadSettingString("rotationInt", "", 32), c.second) << c.first;
    }
}

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

TEST_F(SettingsFileTest, MissingFileReadsTheDefaults)
{
    EXPECT_EQ(ReadSettingString("wallpaperDir", "C:\\windows\\Web\\Wallpaper", MAX_PATH),
              "C:\\windows\\Web\\Wallpaper");
    EXPECT_EQ(ReadSettingString("rotationInt", "10", 32), "10");
    EXPECT_EQ(ReadSettingInt("rotateAtStartup"), 0);
}

TEST_F(SettingsFileTest, WriteFailuresAreReported)
{
    folder_.AddFolder("settings.ini");  // a folder in the file's place
    EXPECT_FALSE(WriteSetting("rotateAtStartup", "1"));
    EXPECT_FALSE(SaveSettings("C:\\", "10", 0, 0, false));
}

TEST(SettingsPathTest, PointsBesideTheExecutableWhateverTheCurrentFolder)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string programFolder = program;
    programFolder.resize(programFolder.find_last_of('\\'));

    ScratchFolder elsewhere;
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(elsewhere.Path().c_str());

    ASSERT_TRUE(BuildSettingsPath());
    EXPECT_EQ(g_settingsPath, programFolder + "\\./settings.ini");
    std::string besideProgram = programFolder + "\\settings.ini";
    DeleteFileA(besideProgram.c_str());
    ASSERT_TRUE(WriteSetting("rotateAtStartup", "0"));
    EXPECT_NE(GetFileAttributesA(besideProgram.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(elsewhere.List("*"), (std::vector<std::string>{".", ".."}));

    DeleteFileA(besideProgram.c_str());
    SetCurrentDirectoryA(previous);
}
