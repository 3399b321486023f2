#include "settings/settings_file.h"
#include "support/file_text.h"
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

// The program's own window, rotation and save over a converted file are in
// the settings-origin table of the program's tests; these forms differ only
// in their bytes.
TEST_F(SettingsFileTest, FilesInOtherFormsAreConvertedExactlyAndTheOriginalKept)
{
    const std::string utf8 = "; Grüße\r\n[Settings]\r\nwallpaperDir=C:\\Müller\r\n", utf16 = Encoded(utf8, 1200);
    // Over 16 MiB: too large to convert, but already in the program's form.
    const std::string large = utf16 + Encoded("; " + std::string(8 << 20, 'x') + "\r\n", 1200).substr(2);
    const struct {
        const char *form;
        std::string written, converted;
    } files[] = {
        {"UTF-16LE without a mark", utf16.substr(2), utf16},
        {"UTF-16BE without a mark", Encoded(utf8, 1201).substr(2), utf16},
        {"UTF-8 below a line in the legacy code page", Encoded("; Grüße\r\n", 1252) + utf8.substr(utf8.find('[')),
         utf16},
        {"UTF-16LE over 16 MiB", large, large},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.form);
        folder_.AddFile("settings.ini", file.written);
        EXPECT_TRUE(ConvertSettingsToUnicode());
        EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini")), file.converted);
        EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini.bak")), file.converted == file.written ? "" : file.written);
        EXPECT_EQ(ReadSettingString(L"wallpaperDir", L"", MAX_PATH), L"C:\\M\u00FCller");
        EXPECT_TRUE(WriteSetting(L"rotationInt", L"42"));
        EXPECT_EQ(ReadSettingInt(L"rotationInt"), 42);
        folder_.Remove("settings.ini");
        folder_.Remove("settings.ini.bak");
    }
}
