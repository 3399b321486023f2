#include "settings/settings_file.h"
#include "support/file_text.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {
class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override { g_settingsPath = Utf16(folder_.PathOf("settings.ini")); }
    void TearDown() override { g_replaceFile = ReplaceFileW; }

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

namespace {
bool g_nameRetaken;

// ReplaceFileW failing with ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the old file
// under the backup's name, the new one not in its place; and then perhaps a
// synchronisation client making a file of its own under the old name.
BOOL WINAPI MovedAside(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID)
{
    MoveFileW(replaced, backup);
    if (g_nameRetaken)
        CloseHandle(CreateFileW(replaced, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}
}  // namespace

// The program's own window, rotation and save over a converted file are in
// the settings-origin table of the program's tests; these forms differ only
// in their bytes and the legacy code page they are read in.
TEST_F(SettingsFileTest, FilesInOtherFormsAreConvertedExactlyOrLeftAlone)
{
    const std::string utf8 = "; Grüße\r\n[Settings]\r\nwallpaperDir=C:\\Müller\r\n", utf16 = Encoded(utf8, 1200);
    // Over 16 MiB: too large to convert, but already in the program's form.
    const std::string large = utf8 + "; " + std::string(8 << 20, 'x') + "\r\n";
    std::string cr = utf8;  // line ends of a lone carriage return, as old Mac editors wrote
    cr.erase(std::remove(cr.begin(), cr.end(), '\n'), cr.end());
    // Names that are text in a double-byte code page and in UTF-8 alike. The
    // GBK of 图片 reads ͼƬ in UTF-8; a folder exists in one reading or the other.
    folder_.AddFolder("1图片");
    folder_.AddFolder("2ͼƬ");
    auto folder = [&](const std::string &name) {
        return "[Settings]\r\nwallpaperDir=" + folder_.PathOf(name) + "\r\n";
    };
    const struct {
        const char *form;
        UINT codePage;
        std::string written, text;  // the text converted; none where the file is left as it is
    } files[] = {
        {"UTF-16LE without a mark", 1252, utf16.substr(2), utf8},
        {"UTF-16BE without a mark", 1252, Encoded(utf8, 1201).substr(2), utf8},
        // Müller in UTF-8 is text in 1252 too, MÃ¼ller.
        {"UTF-8 below a line in 1252", 1252, Encoded("; Grüße\r\n", 1252) + utf8.substr(utf8.find('[')), utf8},
        {"UTF-16LE over 16 MiB", 1252, Encoded(large, 1200), large},
        {"CR line ends and a line in 1252", 1252, Encoded("; Grüße\r", 1252) + cr.substr(cr.find('[')), cr},
        {"GBK, its folder there", 936, Encoded(folder("1图片"), 936), folder("1图片")},
        {"GBK, the UTF-8 reading's folder there", 936, Encoded(folder("2图片"), 936), folder("2ͼƬ")},
        {"Shift-JIS", 932, Encoded(folder("苺色"), 932), folder("苺色")},
        {"Korean", 949, Encoded(folder("친척"), 949), folder("친척")},
        {"UTF-8 with a mark under 936", 936, "\xEF\xBB\xBF" + folder("Café"), folder("Café")},  // GBK: Caf茅
        // Forms that cannot be told with confidence.
        {"both byte orders plausible", 1252, std::string("[\0\0=", 4), ""},
        {"a C1 control character", 1252, Encoded(utf8 + "\xC2\x85", 1201), ""},
        {"NULs, odd length", 1252, utf16.substr(2) + "x", ""},
        {"UTF-16BE with a mark, odd length", 1252, Encoded(utf8, 1201) + "x", ""},
        {"an unpaired surrogate", 1252, Encoded(utf8, 1201) + "\xD8=", ""},
        {"a control character in UTF-8", 1252, utf8 + "\x01\r\n", ""},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.form);
        bool converts = !file.text.empty();
        const std::string converted = converts ? Encoded(file.text, 1200) : file.written;
        folder_.AddFile("settings.ini", file.written);
        EXPECT_EQ(ConvertSettingsToUnicode(file.codePage), converts);
        EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini")), converted);
        EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini.bak")), converted == file.written ? "" : file.written);
        size_t at = file.text.find('=') + 1;
        if (converts) {
            EXPECT_EQ(Utf8(ReadSettingString(L"wallpaperDir", L"", MAX_PATH)),
                      file.text.substr(at, file.text.find_first_of("\r\n", at) - at));
        }
        EXPECT_EQ(WriteSetting(L"rotationInt", L"42"), converts);
        EXPECT_EQ(ReadSettingInt(L"rotationInt"), converts ? 42 : 0);
        folder_.Remove("settings.ini");
        folder_.Remove("settings.ini.bak");
    }

    // A settings.ini.bak of other bytes may be the user's own copy: it stays.
    const std::string kept = (std::filesystem::temp_directory_path() / "BackdropCarousel settings.ini.bak").string();
    DeleteFileA(kept.c_str());
    folder_.AddFile("settings.ini.bak", "mine");
    folder_.AddFile("settings.ini", utf8);
    EXPECT_TRUE(ConvertSettingsToUnicode(1252));
    EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini.bak")) + FileBytes(kept), "mine" + utf8);
}

// Where the old file cannot be put back after a failed replacement, it stays
// under the backup's name, and the save is not claimed.
TEST_F(SettingsFileTest, AFailedReplacementNeverLosesTheFile)
{
    g_replaceFile = MovedAside;
    for (bool retaken : {false, true}) {
        SCOPED_TRACE(retaken ? "name taken again" : "moved back");
        ScratchFolder home;
        g_settingsPath = Utf16(home.PathOf("settings.ini"));
        g_nameRetaken = retaken;
        home.AddFile("settings.ini", "[Settings]\r\nnote=mine\r\n");
        EXPECT_EQ(SaveSettings(L"C:\\", 5, 0, 0, false), !retaken);
        EXPECT_EQ(ReadSettingInt(L"rotationInt"), retaken ? 0 : 5);
        EXPECT_EQ(FileBytes(home.PathOf("settings.ini")).empty(), retaken) << "the other file not written over";
        std::vector<std::string> aside = home.List("set*.tmp");
        EXPECT_EQ(aside.size(), retaken ? 1u : 0u);
        for (const std::string &name : aside)
            EXPECT_EQ(FileBytes(home.PathOf(name)), "[Settings]\r\nnote=mine\r\n");
    }
}
