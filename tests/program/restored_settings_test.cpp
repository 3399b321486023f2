#include "program/program_driver.h"
#include "support/desktop_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using Log = std::vector<std::string>;

namespace {
std::string FileBytes(const std::string &path)
{
    std::stringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// UTF-8 text in another code page; 1200 is UTF-16LE, 1201 UTF-16BE, each with its mark.
std::string Encoded(const std::string &text, UINT codePage)
{
    std::wstring wide = L"\xFEFF" + Utf16(text);
    if (codePage == 1201) {
        for (wchar_t &unit : wide)
            unit = static_cast<wchar_t>(unit << 8 | unit >> 8);
    }
    if (codePage == 1200 || codePage == 1201)
        return std::string(reinterpret_cast<const char *>(wide.data()), wide.size() * sizeof(wchar_t));
    std::string bytes(WideCharToMultiByte(codePage, 0, wide.data() + 1, static_cast<int>(wide.size() - 1), nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(codePage, 0, wide.data() + 1, static_cast<int>(wide.size() - 1), &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr);
    return bytes;
}

// A file's or folder's Linux path, where Wine runs the tests; else empty.
std::string LinuxPath(const std::string &path)
{
    using UnixFileName = char *(CDECL *)(const WCHAR *);
    auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    char *name = unixFileName ? unixFileName(Utf16(path).c_str()) : nullptr;
    std::string linuxPath = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return linuxPath;
}

// Starts a Linux program, as Wine can; Wine gives no process to wait for, so
// the caller waits for its effect.
void RunOnLinux(const std::string &program, const std::string &arguments)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = program + " " + arguments;
    ASSERT_TRUE(CreateProcessA(("Z:" + program).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

bool TakesNewFiles(const ScratchFolder &folder)
{
    bool created = CreateDirectoryA(folder.PathOf("new").c_str(), nullptr);
    return created && RemoveDirectoryA(folder.PathOf("new").c_str());
}

// A folder that refuses new files while the files in it stay writable: on
// Linux an immutable folder, which root may make.
class FolderRefusingNewFiles {
public:
    explicit FolderRefusingNewFiles(const ScratchFolder &folder) : folder_(folder) { Immutable("+i", false); }
    ~FolderRefusingNewFiles() { Immutable("-i", true); }
    FolderRefusingNewFiles(const FolderRefusingNewFiles &) = delete;
    FolderRefusingNewFiles &operator=(const FolderRefusingNewFiles &) = delete;

private:
    void Immutable(const char *change, bool takesNewFiles) const
    {
        RunOnLinux("/usr/bin/chattr", std::string(change) + " \"" + LinuxPath(folder_.Path()) + "\"");
        EXPECT_TRUE(Eventually([&] { return TakesNewFiles(folder_) == takesNewFiles; })) << change;
    }

    const ScratchFolder &folder_;
};
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

TEST_F(RestoredSettingsTest, RefusedStartupRotationIsExplained)
{
    const std::pair<const char *, const char *> refusals[] = {
        {"-5", "The interval you specified is too small!"},  // only an edited file holds this
        {"5", "The folder you specified has no .jpg pictures!"},
    };
    for (const auto &refusal : refusals) {
        SCOPED_TRACE(refusal.first);
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
        EXPECT_EQ(ReadDesktopLog().back(), "ApplyChanges 7");
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
                  Encoded(letGo ? text : "; Grüße\r\n" + Settings("rotationInt=42\r\nrotateAtStartup=1\r\n") +
                                             "[Other]\r\nnote=ü\r\n", 1200));
    }
}

TEST_F(RestoredSettingsTest, SettingsFilesOfEveryOriginAreReadRotatedAndSavedWhole)
{
    ScratchFolder pictures("-Café München");
    pictures.AddFile("a.jpg");
    const std::string utf8 = "; Grüße\r\n[Settings]\r\nwallpaperDir=" + pictures.Path() +
                             "\r\nrotationInt=42\r\nrotationIntType=0\r\nwallpaperMode=2\r\nrotateAtStartup=0\r\n"
                             "[Other]\r\nnote=ü\r\n";
    const std::string legacy = Encoded(utf8, 1252), utf16 = Encoded(utf8, 1200);
    // Over 16 MiB: too large to convert, but already in the program's form.
    const std::string large = utf16 + Encoded("; " + std::string(9 << 20, 'x') + "\r\n", 1200).substr(2);
    const std::string binary = utf8 + std::string("\0\x01\x02\xFF\0\0\x80\r\n", 9);
    const struct {
        const char *origin;
        std::string written, started, saved;  // the file as written, after the start, after a save
        bool held;  // open in another program, sharing reading only, until the window shows
    } files[] = {
        {"the legacy code page of earlier versions", legacy, utf16, utf16, false},
        {"the legacy code page, held", legacy, legacy, utf16, true},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + utf8, utf16, utf16, false},
        {"UTF-16BE", Encoded(utf8, 1201), utf16, utf16, false},
        {"UTF-16LE without a mark", utf16.substr(2), utf16, utf16, false},
        {"UTF-16BE without a mark", Encoded(utf8, 1201).substr(2), utf16, utf16, false},
        {"UTF-8 below a line in the legacy code page", Encoded("; Grüße\r\n", 1252) + utf8.substr(utf8.find('[')), utf16,
         utf16, false},
        {"UTF-8 without a mark", utf8, utf16, utf16, false},
        {"this version", utf16, utf16, utf16, false},
        {"this version, over 16 MiB", large, large, large, false},
        {"binary bytes: never rewritten, no save claimed", binary, binary, binary, false},
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
        EXPECT_TRUE(FileBytes(path) == file.started);
        if (file.started == file.written) {
            EXPECT_EQ(std::filesystem::last_write_time(path), writtenAt) << "not rewritten";
        }
        // The original beside the file from its first conversion on.
        bool converted = file.saved != file.written;
        std::vector<std::string> listed = {".", "..", "BackdropCarousel.exe", "settings.ini", "settings.ini.bak"};
        EXPECT_EQ(home.List("*"), std::vector<std::string>(listed.begin(), listed.end() - !converted));
        if (converted) {
            EXPECT_EQ(FileBytes(path + ".bak"), file.written);
        }

        program.Click(IDC_START_ROTATION);
        SendMessageA(program.Window(), WM_TIMER, IDT_ROTATION, 0);
        program.Click(IDC_SAVE_SETTINGS);
        ASSERT_TRUE(program.Messages().WaitFor(1));
        EXPECT_EQ(Texts(program.Messages().Messages()),
                  std::vector<std::string>{file.saved == binary ? "Your settings could not be saved!"
                                                                : "Your settings have been saved!"});
        EXPECT_EQ(ReadDesktopLog().at(3), "SetWallpaper " + pictures.PathOf("a.jpg") + " 0");
        EXPECT_TRUE(FileBytes(path) == file.saved);
    }
}

TEST_F(RestoredSettingsTest, ConvertedSettingsStayTheFileTheyWere)
{
    const std::string text = "; Grüße\r\n" + Settings("rotationInt=42\r\n"), legacy = Encoded(text, 1252);
    ScratchFolder synced;
    synced.AddFile("settings.ini", legacy);
    if (LinuxPath(synced.Path()).empty())
        GTEST_SKIP() << "Linux links and immutable folders need Wine";
    // A link to a synchronised copy elsewhere: the copy is converted, the link stays.
    RunOnLinux("/bin/ln", "-s \"" + LinuxPath(synced.PathOf("settings.ini")) + "\" \"" +
                              LinuxPath(home_.PathOf("settings.ini")) + "\"");
    ASSERT_TRUE(Eventually([&] { return FileBytes(home_.PathOf("settings.ini")) == legacy; }));
    {
        RunningProgram program(home_);
        ASSERT_TRUE(program.WaitUntilShown());
        EXPECT_EQ(RunningProgram::Text(program.IntervalBox()), "42");
    }
    EXPECT_EQ(FileBytes(synced.PathOf("settings.ini")), Encoded(text, 1200));

    // A folder that refuses new files around a writable settings.ini: the
    // original goes to the temporary folder and the file is written in place.
    char temporaryFolder[MAX_PATH];
    std::string kept = std::string(temporaryFolder, GetTempPathA(MAX_PATH, temporaryFolder)) +
                       "BackdropCarousel settings.ini.bak";
    DeleteFileA(kept.c_str());
    ScratchFolder home;
    RunningProgram program(home);
    ASSERT_TRUE(program.WaitUntilShown());
    home.AddFile("settings.ini", legacy);
    {
        FolderRefusingNewFiles refusing(home);
        program.Click(IDC_SAVE_SETTINGS);
    }
    ASSERT_TRUE(program.Messages().WaitFor(1));
    EXPECT_EQ(Texts(program.Messages().Messages()), std::vector<std::string>{"Your settings have been saved!"});
    const std::string start = Encoded("; Grüße\r\n[Settings]\r\n", 1200);
    EXPECT_EQ(FileBytes(home.PathOf("settings.ini")).substr(0, start.size()), start);
    EXPECT_EQ(FileBytes(kept), legacy);
    DeleteFileA(kept.c_str());
}
