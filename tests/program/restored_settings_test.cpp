#include "program/program_driver.h"
#include "support/desktop_log.h"
#include "support/file_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

using Log = std::vector<std::string>;

namespace {
// A file's Linux path, quoted, where Wine runs the tests; else empty.
std::string QuotedLinuxPath(const std::string &path)
{
    auto unixFileName = reinterpret_cast<char *(CDECL *)(const WCHAR *)>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    char *name = unixFileName ? unixFileName(Utf16(path).c_str()) : nullptr;
    std::string quoted = name ? "\"" + std::string(name) + "\"" : "";
    HeapFree(GetProcessHeap(), 0, name);
    return quoted;
}

// Starts a Linux command, as Wine can, and waits until done() holds: Wine
// gives no process to wait for.
bool OnLinux(const std::string &command, const std::function<bool()> &done)
{
    return WinExec(("Z:" + command).c_str(), SW_HIDE) > 31 && Eventually(done, 15000);
}
}  // namespace

class RestoredSettingsTest : public ProgramTest {
protected:
    std::string Settings(const std::string &lines) const { return "[Settings]\r\n" + lines; }

    ScratchFolder pictures_;
};

TEST_F(RestoredSettingsTest, EveryKeyIsRestoredAndTheStyleApplied)
{
    std::string settings = Settings("wallpaperDir=" + pictures_.Path() +
                                    "\r\nwallpaperMode=1\r\nrotationInt=0012\r\nrotationIntType=1\r\n"
                                    "rotateAtStartup=0\r\n");
    RunningProgram program(home_, WithSettings(settings));
    ASSERT_TRUE(program.WaitUntilShown());

    EXPECT_EQ(RunningProgram::Text(program.FolderBox()), pictures_.Path());
    EXPECT_EQ(RunningProgram::Text(program.IntervalBox()), "0012") << "shown as stored";
    EXPECT_EQ(program.Selection(IDC_WALLPAPER_MODE), 1);
    EXPECT_EQ(program.Selection(IDC_INTERVAL_UNIT), 1);
    EXPECT_FALSE(program.Checked(IDC_ROTATE_AT_STARTUP));
    EXPECT_EQ(ReadDesktopLog(), (Log{"create", "SetWallpaperOptions 8 1 0", "ApplyChanges 7"}));
    EXPECT_TRUE(program.Messages().Messages().empty());
}

TEST_F(RestoredSettingsTest, OutOfRangeIndicesAndOtherWordsFallBack)
{
    std::string settings = Settings("wallpaperMode=5\r\nrotationIntType=-2\r\nrotateAtStartup=yes\r\n");
    RunningProgram program(home_, WithSettings(settings));
    ASSERT_TRUE(program.WaitUntilShown());

    EXPECT_EQ(program.Selection(IDC_WALLPAPER_MODE), 0);
    EXPECT_EQ(program.Selection(IDC_INTERVAL_UNIT), 0);
    EXPECT_FALSE(program.Checked(IDC_ROTATE_AT_STARTUP)) << "only 1 means yes";
    EXPECT_EQ(ReadDesktopLog(), (Log{"create", "SetWallpaperOptions 8 0 0", "ApplyChanges 7"}));
}

TEST_F(RestoredSettingsTest, MinutesAtStartupRotateWithoutComplaint)
{
    pictures_.AddFile("a.jpg");
    std::string settings = Settings("wallpaperDir=" + pictures_.Path() +
                                    "\r\nrotationInt=2\r\nrotationIntType=1\r\nrotateAtStartup=1\r\n");
    RunningProgram program(home_, WithSettings(settings));
    ASSERT_TRUE(program.WaitUntilShown());
    Sleep(500);

    EXPECT_TRUE(program.Messages().Messages().empty());
    EXPECT_TRUE(program.Checked(IDC_ROTATE_AT_STARTUP));
    // Two minutes: no picture yet.
    EXPECT_EQ(ReadDesktopLog(), (Log{"create", "SetWallpaperOptions 8 0 0", "ApplyChanges 7"}));
}

TEST_F(RestoredSettingsTest, EmptyFolderAtStartupIsReportedBeforeTheWindowShows)
{
    bool shownDuringMessage = true;
    bool trayIconDuringMessage = true;
    RunningProgram::Options options;
    std::string settings = Settings("wallpaperDir=\r\nrotateAtStartup=1\r\n");
    options.settings = settings.c_str();
    options.observer = [&](const ShownMessage &) {
        HWND window = FindWindowA("wcBackdropCarousel", nullptr);
        shownDuringMessage = IsWindowVisible(window) != FALSE;
        NOTIFYICONDATAA icon = TrayIconOf(window);
        trayIconDuringMessage = Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE;
    };
    RunningProgram program(home_, options);
    ASSERT_TRUE(program.Messages().WaitFor(1));
    ASSERT_TRUE(program.WaitUntilShown());

    std::vector<ShownMessage> shown = program.Messages().Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "You must specify a path!");
    EXPECT_EQ(shown[0].caption, "Error");
    EXPECT_FALSE(shown[0].hasOwner);
    EXPECT_FALSE(shownDuringMessage);
    EXPECT_FALSE(trayIconDuringMessage);
    EXPECT_TRUE(program.TrayIconPresent());
}

#define POLICIES "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\"

TEST_F(RestoredSettingsTest, RefusedStartupRotationIsExplained)
{
    // A Group Policy that fixes the wallpaper comes first, and keeps the saved
    // style off it (the engine's tests have each policy value in both places).
    const struct {
        const char *first, *second, *policyKey = nullptr, *policy = nullptr;
        HKEY policyRoot = nullptr;
    } refusals[] = {
        {"-5", "The interval you specified is too small!"},  // only an edited file holds this
        {"5", "The folder you specified has no .jpg pictures!"},
        {"9", "The desktop background is set by your organisation!", POLICIES "ActiveDesktop", "NoChangingWallPaper",
         HKEY_LOCAL_MACHINE},
    };
    for (const auto &refusal : refusals) {
        SCOPED_TRACE(refusal.first);
        // The computer's policies in the 64-bit view, where Group Policy writes them.
        HKEY policy = nullptr;
        const DWORD on = 1;
        if (refusal.policy)
            RegCreateKeyExA(refusal.policyRoot, refusal.policyKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                            nullptr, &policy, nullptr);
        RegSetValueExA(policy, refusal.policy, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&on), sizeof on);
        ScratchFolder home, pictures;
        std::string settings = Settings("wallpaperDir=" + pictures.Path() + "\r\nrotationInt=" + refusal.first +
                                        "\r\nrotateAtStartup=1\r\n");
        RunningProgram program(home, WithSettings(settings));
        ASSERT_TRUE(program.Messages().WaitFor(1));
        EXPECT_EQ(Texts(program.Messages().Messages()), std::vector<std::string>{refusal.second});
        EXPECT_EQ(RunningProgram::Text(program.IntervalBox()), refusal.first);
        // No rotation was armed: a tick shows nothing, even once there is a picture.
        ASSERT_TRUE(program.WaitUntilShown());
        pictures.AddFile("a.jpg");
        SendMessageA(program.Window(), WM_TIMER, 4000, 0);
        RegDeleteValueA(policy, refusal.policy);
        RegCloseKey(policy);
        EXPECT_EQ(ReadDesktopLog().back(), refusal.policy ? "create" : "ApplyChanges 7");
    }
}

TEST_F(RestoredSettingsTest, IntervalBoxShowsTheNumberThatIsUsedAndSaved)
{
    const std::pair<const char *, const char *> shown[] = {
        {"99999999999", "9999"}, {"3e9", "3"}, {" 7", "7"}, {"abc", "0"}};
    for (const auto &interval : shown) {
        SCOPED_TRACE(interval.first);
        ScratchFolder home;
        std::string settings = Settings(std::string("rotationInt=") + interval.first + "\r\n");
        RunningProgram program(home, WithSettings(settings));
        ASSERT_TRUE(program.WaitUntilShown());
        EXPECT_EQ(RunningProgram::Text(program.IntervalBox()), interval.second);
        program.Click(IDC_SAVE_SETTINGS);
        ASSERT_TRUE(program.Messages().WaitFor(1));
        EXPECT_EQ(GetPrivateProfileIntA("Settings", "rotationInt", -1, home.PathOf("settings.ini").c_str()),
                  atoi(interval.second));
    }
}

TEST_F(RestoredSettingsTest, SettingsHeldByAnotherProgramAreWaitedForOrReported)
{
    const char *const kCannotRead = "Your settings could not be read!";
    for (bool letGo : {true, false}) {
        SCOPED_TRACE(letGo ? "let go after half a second" : "held throughout");
        ScratchFolder home;
        const std::string text = "; Grüße\r\n" + Settings("rotationInt=42\r\n") + "[Other]\r\nnote=ü\r\n";
        const std::string settings = Encoded(text, 1252);
        home.AddFile("settings.ini", settings);
        // As a sync tool or virus scanner holds it: open, without sharing.
        HANDLE held = CreateFileA(home.PathOf("settings.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::thread holder([&] {
            if (letGo) {
                Sleep(500);
                CloseHandle(held);
            }
        });
        bool windowDuringMessage = true;
        RunningProgram::Options options;
        options.observer = [&](const ShownMessage &) {
            windowDuringMessage = FindWindowA("wcBackdropCarousel", nullptr) != nullptr;
        };
        RunningProgram program(home, options);
        holder.join();
        ASSERT_TRUE(program.WaitUntilShown());
        if (!letGo)
            CloseHandle(held);

        std::vector<ShownMessage> messages = program.Messages().Messages();
        if (letGo) {
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(RunningProgram::Text(program.IntervalBox()), "42");
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].text, kCannotRead);
            EXPECT_EQ(messages[0].caption, "Error");
            EXPECT_FALSE(messages[0].hasOwner);
            EXPECT_FALSE(windowDuringMessage);
            EXPECT_EQ(RunningProgram::Text(program.IntervalBox()), "10") << "the defaults";
            EXPECT_EQ(FileBytes(home.PathOf("settings.ini")), settings) << "the file is left as it was";
            // Converted before the first write, which changes no other line.
            program.Click(IDC_ROTATE_AT_STARTUP);
        }
        EXPECT_EQ(FileBytes(home.PathOf("settings.ini")),
                  Encoded(letGo ? text
                                : "; Grüße\r\n" + Settings("rotationInt=42\r\nrotateAtStartup=1\r\n") +
                                      "[Other]\r\nnote=ü\r\n",
                          1200));
    }
}

TEST_F(RestoredSettingsTest, SettingsFilesOfEveryOriginAreReadRotatedAndSavedWhole)
{
    ScratchFolder pictures("-Café München");
    pictures.AddFile("a.jpg");
    const std::string window = "[Settings]\r\nwallpaperDir=" + pictures.Path() +
                               "\r\nrotationInt=42\r\nrotationIntType=0\r\nwallpaperMode=2\r\nrotateAtStartup=0\r\n";
    const std::string utf8 = "; Grüße\r\n" + window + "[Other]\r\nnote=ü\r\n";
    const std::string legacy = Encoded(utf8, 1252), utf16 = Encoded(utf8, 1200);
    const std::string binary = utf8 + std::string("\0\x01\x02\xFF\0\0\x80\r\n", 9);
    const struct {
        const char *origin;
        std::string written, started, saved;  // the file as written, after the start, after a save
        bool held;                            // open in another program, sharing reading only, until the window shows
    } files[] = {
        {"the legacy code page of earlier versions", legacy, utf16, utf16, false},
        {"the legacy code page, held", legacy, legacy, utf16, true},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + utf8, utf16, utf16, false},
        {"UTF-16BE", Encoded(utf8, 1201), utf16, utf16, false},
        {"UTF-8 without a mark", utf8, utf16, utf16, false},
        {"this version", utf16, utf16, utf16, false},
        {"binary bytes: the window's settings replace them once saved", binary, binary, Encoded(window, 1200), false},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.origin);
        ScratchFolder home;
        std::string path = home.PathOf("settings.ini");
        home.AddFile("settings.ini", file.written);
        auto writtenAt = std::filesystem::last_write_time(path);
        HANDLE held = file.held ? CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr)
                                : nullptr;
        ClearDesktopLog();
        RunningProgram program(home);
        ASSERT_TRUE(program.WaitUntilShown());
        if (held)
            CloseHandle(held);
        EXPECT_EQ(RunningProgram::Text(program.FolderBox()), pictures.Path());
        EXPECT_EQ(RunningProgram::Text(program.IntervalBox()), "42");
        EXPECT_EQ(program.Selection(IDC_WALLPAPER_MODE), 2);
        EXPECT_EQ(FileBytes(path), file.started);
        if (file.started == file.written) {
            EXPECT_EQ(std::filesystem::last_write_time(path), writtenAt) << "not rewritten";
        }
        program.Click(IDC_START_ROTATION);
        SendMessageA(program.Window(), WM_TIMER, IDT_ROTATION, 0);
        program.Click(IDC_SAVE_SETTINGS);
        ASSERT_TRUE(program.Messages().WaitFor(1));
        EXPECT_EQ(Texts(program.Messages().Messages()), std::vector<std::string>{"Your settings have been saved!"});
        EXPECT_EQ(ReadDesktopLog().at(3), "SetWallpaper " + pictures.PathOf("a.jpg") + " 0");
        EXPECT_EQ(FileBytes(path), file.saved);
        // The original beside the file.
        EXPECT_EQ(home.List("*").size(), file.saved == file.written ? 4u : 5u) << "., .., the program, the file";
        EXPECT_EQ(FileBytes(path + ".bak"), file.saved == file.written ? "" : file.written);
    }
}

// Run under code page 936 (Wine: LC_ALL=zh_CN.UTF-8): a file of an earlier
// version in GBK, and one Notepad saved in UTF-8 without a mark, each naming
// the folder beside the program, which is started from elsewhere (as at
// sign-in). The folder and the comment are text in both (GBK ͼƬ, ɽˮ; UTF-8
// 鍥剧墖): the folder is read as the one that exists, the comment in GBK.
TEST_F(RestoredSettingsTest, GbkSettingsOfEarlierVersionsAreReadInCodePage936)
{
    UINT codePage = 0;
    GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR));
    if (codePage != 936)
        GTEST_SKIP() << "the system's legacy code page is " << codePage << ", not 936";
    const std::pair<UINT, std::string> files[] = {
        {936, "; 山水\r\n" + Settings("wallpaperDir=图片\r\n")},
        {65001, Settings("wallpaperDir=图片\r\n")},
    };
    home_.AddFolder("图片");
    home_.AddFile("图片\\a.jpg");
    RunningProgram::Options elsewhere;
    elsewhere.currentFolder = pictures_.Path().c_str();
    for (const auto &[written, text] : files) {
        SCOPED_TRACE(written);
        home_.AddFile("settings.ini", Encoded(text, written));
        ClearDesktopLog();
        RunningProgram program(home_, elsewhere);
        ASSERT_TRUE(program.WaitUntilShown());
        EXPECT_EQ(RunningProgram::Text(program.FolderBox()), "图片");
        EXPECT_EQ(FileBytes(home_.PathOf("settings.ini")), Encoded(text, 1200));
        program.Click(IDC_START_ROTATION);
        SendMessageA(program.Window(), WM_TIMER, IDT_ROTATION, 0);
        program.Click(IDC_SAVE_SETTINGS);
        ASSERT_TRUE(program.Messages().WaitFor(1));
        EXPECT_EQ(Texts(program.Messages().Messages()), std::vector<std::string>{"Your settings have been saved!"});
        EXPECT_EQ(ReadDesktopLog().at(3), "SetWallpaper " + home_.PathOf("图片\\a.jpg") + " 0");
        home_.Remove("settings.ini.bak");
    }
}

TEST_F(RestoredSettingsTest, ConvertedSettingsStayTheFileTheyWere)
{
    const std::string text = "; Grüße\r\n" + Settings("rotationInt=42\r\n"), legacy = Encoded(text, 1252);
    ScratchFolder synced, home;
    synced.AddFile("settings.ini", legacy);
    // A link to a synchronised copy elsewhere: the copy is converted, the link stays.
    if (!OnLinux("/bin/ln -s " + QuotedLinuxPath(synced.PathOf("settings.ini")) + " " +
                     QuotedLinuxPath(home_.PathOf("settings.ini")),
                 [&] { return FileBytes(home_.PathOf("settings.ini")) == legacy; }))
        GTEST_SKIP() << "Linux links and immutable folders need Wine";
    RunningProgram(home_).WaitUntilShown();
    EXPECT_EQ(FileBytes(synced.PathOf("settings.ini")), Encoded(text, 1200));
    // The link goes as it came: Wine would delete the file it names instead,
    // and can neither list nor delete a link whose file has gone.
    OnLinux("/bin/rm " + QuotedLinuxPath(home_.PathOf("settings.ini")),
            [&] { return GetFileAttributesA(home_.PathOf("settings.ini").c_str()) == INVALID_FILE_ATTRIBUTES; });

    // A folder that refuses new files (immutable, as root may make it) around
    // a writable settings.ini: the original goes to the temporary folder, and
    // the file is written in place.
    const std::string kept = (std::filesystem::temp_directory_path() / "BackdropCarousel settings.ini.bak").string();
    DeleteFileA(kept.c_str());
    RunningProgram program(home);  // its window comes after the start's conversion
    home.AddFile("settings.ini", legacy);
    const std::string probe = home.PathOf("new"), chattr = "/usr/bin/chattr ";
    // A probe made just before the folder turned immutable stays in it: removed first.
    auto takesNewFiles = [&] {
        RemoveDirectoryA(probe.c_str());
        return CreateDirectoryA(probe.c_str(), nullptr) && RemoveDirectoryA(probe.c_str());
    };
    ASSERT_TRUE(OnLinux(chattr + "+i " + QuotedLinuxPath(home.Path()), [&] { return !takesNewFiles(); }));
    program.Click(IDC_SAVE_SETTINGS);
    ASSERT_TRUE(OnLinux(chattr + "-i " + QuotedLinuxPath(home.Path()), takesNewFiles));
    EXPECT_EQ(Texts(program.Messages().Messages()), std::vector<std::string>{"Your settings have been saved!"});
    EXPECT_EQ(FileBytes(home.PathOf("settings.ini")).find(Encoded("; Grüße\r\n[Settings]\r\n", 1200)), 0u);
    EXPECT_EQ(FileBytes(kept), legacy);
}
