#include "settings/file_replacement.h"
#include "settings/settings_encoding.h"
#include "settings/settings_file.h"
#include "support/file_text.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {
class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_settingsPath = Utf16(folder_.PathOf("settings.ini"));
        // The originals kept in the temporary folder go to one of the test's own.
        DWORD length = GetEnvironmentVariableA("TMP", savedTmp_, sizeof savedTmp_);
        hadTmp_ = length > 0 && length < sizeof savedTmp_;
        SetEnvironmentVariableA("TMP", temp_.Path().c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("TMP", hadTmp_ ? savedTmp_ : nullptr);
        g_replaceFile = ReplaceFileW;
        g_writeFile = WriteFile;
    }

    ScratchFolder folder_, temp_;
    char savedTmp_[MAX_PATH] = "";
    bool hadTmp_ = false;
};

// ReplaceFileW failing with ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the old file
// under the backup's name, the new one not in its place; and a
// synchronisation client making a file of its own under the old name.
BOOL WINAPI MovedAsideAndNameRetaken(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID)
{
    MoveFileW(replaced, backup);
    CloseHandle(CreateFileW(replaced, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

// A full disk: half of the bytes written, then no room for the rest.
BOOL WINAPI HalfWrittenOnAFullDisk(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED)
{
    WriteFile(file, bytes, size / 2, written, nullptr);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// Only the folder that UTF-8 reads GBK 图片 as exists.
bool OnlyUtf8ReadingOfGbkExists(const std::wstring &folder)
{
    return folder == Utf16("ͼƬ");
}
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
        EXPECT_TRUE(ConvertSettingsToUnicode(1252));
        EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini")), file.converted);
        EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini.bak")), file.converted == file.written ? "" : file.written);
        EXPECT_EQ(ReadSettingString(L"wallpaperDir", L"", MAX_PATH), L"C:\\M\u00FCller");
        EXPECT_TRUE(WriteSetting(L"rotationInt", L"42"));
        EXPECT_EQ(ReadSettingInt(L"rotationInt"), 42);
        folder_.Remove("settings.ini");
        folder_.Remove("settings.ini.bak");
    }

    // A settings.ini.bak of other bytes may be the user's own copy: it stays,
    // and each original goes to the temporary folder under a name of its own.
    // Empty files at any of these names, settings.ini.bak's too (a full disk
    // left them), keep nothing: they are written over.
    const std::string kept = temp_.PathOf("BackdropCarousel settings");
    for (int number = 1; number <= 100; ++number)
        temp_.AddFile("BackdropCarousel settings" + (number > 1 ? " (" + std::to_string(number) + ")" : "") +
                      ".ini.bak");
    folder_.AddFile("settings.ini.bak");
    folder_.AddFile("settings.ini", utf8);
    EXPECT_TRUE(ConvertSettingsToUnicode(1252));
    EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini.bak")), utf8);
    folder_.AddFile("settings.ini.bak", "mine");
    for (const std::string &original : {utf8, Encoded(utf8, 1252)}) {
        folder_.AddFile("settings.ini", original);
        EXPECT_TRUE(ConvertSettingsToUnicode(1252));
    }
    EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini.bak")), "mine");
    EXPECT_EQ(FileBytes(kept + ".ini.bak") + FileBytes(kept + " (2).ini.bak"), utf8 + Encoded(utf8, 1252));
}

// A line that is text both in UTF-8 and in the legacy code page: the folder's
// reads as the folder that exists (GBK 图片 is ͼƬ in UTF-8), any other in a
// double-byte code page unless a UTF-8 mark leads or another line is text in
// UTF-8 alone ("; 图" is not GBK). A lone carriage return ends a line, as old
// Mac editors wrote them. A system in UTF-8 (Windows' "Use Unicode UTF-8 for
// worldwide language support") reads a file of an earlier version in its
// locale's code page, 1252 where the tests run.
TEST(SettingsEncodingTest, EachLineIsReadInTheCodePageThatMakesSenseOfIt)
{
    auto dir = [](const char *name) { return "[Settings]\nwallpaperDir=" + std::string(name) + "\n"; };
    const std::tuple<UINT, std::string, std::string> lines[] = {
        {936, Encoded(dir("图片"), 936), dir("ͼƬ")},
        {932, Encoded(dir("苺色"), 932), dir("苺色")},          // UTF-8: 䕐F
        {949, Encoded(dir("친척"), 949), dir("친척")},          // UTF-8: ģô
        {936, "\xEF\xBB\xBF" + dir("Café"), dir("Café")},       // GBK: Caf茅
        {936, "; 图\n" + dir("图片"), "; 图\n" + dir("图片")},  // GBK: 鍥剧墖
        {1252, Encoded("; Grüße\r[Settings]\r", 1252) + "wallpaperDir=C:\\Müller\r",
         "; Grüße\r[Settings]\rwallpaperDir=C:\\Müller\r"},
        {CP_UTF8, Encoded(dir("Café"), 1252), dir("Café")},
    };
    for (const auto &[codePage, written, read] : lines) {
        SCOPED_TRACE(codePage);
        std::wstring text;
        EXPECT_TRUE(DecodeSettings(written, LegacyCodePage(codePage), OnlyUtf8ReadingOfGbkExists, text));
        EXPECT_EQ(Utf8(text), read);
    }
}

// Forms that cannot be told with confidence: the file stays as it is, keeps
// no copy and takes no single write. A save, which writes every setting,
// keeps the original and replaces it.
TEST_F(SettingsFileTest, FilesOfUncertainFormAreLeftUntilASaveReplacesThem)
{
    const std::string utf8 = "[Settings]\r\nwallpaperDir=C:\\Müller\r\n", bigEndian = Encoded(utf8, 1201);
    const std::string saved =
        "[Settings]\r\nwallpaperDir=C:\\\r\nrotationInt=5\r\nrotationIntType=0\r\nwallpaperMode=0\r\n"
        "rotateAtStartup=0\r\n";
    const std::string files[] = {
        std::string("[\0\0=", 4),             // both byte orders plausible
        Encoded(utf8 + "\xC2\x85", 1201),     // a C1 control character
        Encoded(utf8, 1200).substr(2) + "x",  // NULs, odd length
        bigEndian + "x",                      // UTF-16BE with its mark, odd length
        bigEndian + "\xD8=",                  // an unpaired surrogate
        utf8 + "\x01\r\n",                    // a control character
    };
    for (const std::string &bytes : files) {
        folder_.AddFile("settings.ini", bytes);
        EXPECT_FALSE(WriteSetting(L"rotationInt", L"42"));
        EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini")) + FileBytes(folder_.PathOf("settings.ini.bak")), bytes);
        EXPECT_TRUE(SaveSettings(L"C:\\", 5, 0, 0, false));
        EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini")) + FileBytes(folder_.PathOf("settings.ini.bak")),
                  Encoded(saved, 1200) + bytes);
        folder_.Remove("settings.ini.bak");
    }
}

// A failed write or replacement never loses the file, nor leaves a part of
// one behind. The old file put aside by a failed replacement cannot go back
// where its name was taken again: it stays under the backup's name, the other
// file is not written over, and the save is not claimed. A full disk leaves
// neither an original's copy nor a converted one: once it has room, the next
// conversion keeps the original beside the file.
TEST_F(SettingsFileTest, AFailedWriteNeverLosesTheFileNorLeavesAPartOfOne)
{
    const std::string settings = "[Settings]\r\nnote=mine\r\n", legacy = Encoded("; Grüße\r\n" + settings, 1252);
    g_replaceFile = MovedAsideAndNameRetaken;
    folder_.AddFile("settings.ini", settings);
    EXPECT_FALSE(SaveSettings(L"C:\\", 5, 0, 0, false));
    std::vector<std::string> aside = folder_.List("set*.tmp");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(FileBytes(folder_.PathOf("settings.ini")) + FileBytes(folder_.PathOf(aside[0])), settings);

    ScratchFolder full;
    g_settingsPath = Utf16(full.PathOf("settings.ini"));
    g_replaceFile = ReplaceFileW;
    g_writeFile = HalfWrittenOnAFullDisk;
    full.AddFile("settings.ini", legacy);
    EXPECT_FALSE(SaveSettings(L"C:\\", 5, 0, 0, false));
    EXPECT_EQ(full.List("*").size(), 3u) << "., .., the file";
    EXPECT_EQ(temp_.List("BackdropCarousel*"), std::vector<std::string>{});
    g_writeFile = WriteFile;
    EXPECT_TRUE(ConvertSettingsToUnicode(1252));
    EXPECT_EQ(FileBytes(full.PathOf("settings.ini.bak")), legacy);
    EXPECT_EQ(FileBytes(full.PathOf("settings.ini")), Encoded("; Grüße\r\n" + settings, 1200));
}
