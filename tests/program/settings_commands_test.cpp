#include "program/program_driver.h"
#include "support/registry_backup.h"
#include "support/test_program.h"
#include "support/test_registry_key.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kSaveFailed[] = "Your settings could not be saved!";

// The file's lines, which the program writes in UTF-16LE with its mark.
std::vector<std::string> Lines(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (bytes.compare(0, 2, "\xFF\xFE") != 0)
        return {"(not UTF-16LE)"};
    std::istringstream text(Utf8(std::wstring(reinterpret_cast<const wchar_t *>(&bytes[2]), bytes.size() / 2 - 1)));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A folder whose program's path has the length given, its name ending in
// the suffix and x's. (Folder names differ in length by their numbers: made
// again until the path has its length.)
std::unique_ptr<ScratchFolder> HomeWithProgramPath(size_t length, const std::string &suffix)
{
    auto home = std::make_unique<ScratchFolder>(suffix);
    for (size_t extra = 0; home->PathOf("BackdropCarousel.exe").size() != length;) {
        extra += length - home->PathOf("BackdropCarousel.exe").size();
        home = std::make_unique<ScratchFolder>(suffix + std::string(extra, 'x'));
    }
    return home;
}

const char kNone[] = "(none)";

// Windows' startup switch for the user's key and the machine-wide 64-bit
// view, and (with "32") for the 32-bit view; always in the 64-bit view.
const std::string kSwitchKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// In a 64-bit prefix the machine-wide key has a 32-bit view apart from the
// 64-bit one, which both builds are to write; in a 32-bit prefix, as on
// 32-bit Windows, the views are one key. The user's key is one.
bool TwoViews()
{
    BOOL wow64 = FALSE;
    return sizeof(void *) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

HKEY RunKey(HKEY root, REGSAM view = KEY_WOW64_64KEY, REGSAM access = KEY_ALL_ACCESS,
            const std::string &subKey = kRunKey)
{
    HKEY key = nullptr;
    RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, access | view, nullptr, &key, nullptr);
    return key;
}

// The data of a value named BackdropCarousel, binary data up to its first zero.
std::string RunValue(HKEY root = HKEY_LOCAL_MACHINE, REGSAM view = KEY_WOW64_64KEY, const std::string &subKey = kRunKey)
{
    char data[3 * MAX_PATH] = "";
    DWORD size = sizeof data;
    HKEY key = RunKey(root, view, KEY_QUERY_VALUE, subKey);
    LSTATUS read = RegGetValueA(key, nullptr, "BackdropCarousel", RRF_RT_ANY, nullptr, data, &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS ? data : kNone;
}

void SetRunValue(HKEY root, REGSAM view, const std::string &data, DWORD type = REG_SZ,
                 const std::string &subKey = kRunKey)
{
    HKEY key = RunKey(root, view, KEY_SET_VALUE, subKey);
    RegSetValueExA(key, "BackdropCarousel", 0, type, reinterpret_cast<const BYTE *>(data.c_str()),
                   static_cast<DWORD>(data.size() + (type != REG_BINARY)));
    RegCloseKey(key);
}

void DeleteRunValues()
{
    for (HKEY key : {RunKey(HKEY_CURRENT_USER), RunKey(HKEY_LOCAL_MACHINE), RunKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY),
                     RunKey(HKEY_CURRENT_USER, 0, KEY_ALL_ACCESS, kSwitchKey),
                     RunKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, KEY_ALL_ACCESS, kSwitchKey),
                     RunKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, KEY_ALL_ACCESS, kSwitchKey + "32")})
        RegDeleteValueA(key, "BackdropCarousel"), RegCloseKey(key);
}

// Refuses this user the setting of values in a Run key, as Windows refuses a
// process that is not elevated the machine-wide one, until it goes; nobody
// gets any access they did not have.
class RefusedRunKey {
public:
    explicit RefusedRunKey(HKEY root)
        : key_(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", READ_CONTROL | WRITE_DAC | KEY_WOW64_64KEY,
               RegistryKey::CreatedIfMissing)
    {
        key_.ReadSecurity(DACL_SECURITY_INFORMATION, &original_);
        EXPECT_EQ(key_.WriteSecurity(DACL_SECURITY_INFORMATION, RefusingThisUserValues(original_)), ERROR_SUCCESS);
    }
    ~RefusedRunKey() { key_.WriteSecurity(DACL_SECURITY_INFORMATION, original_); }
    RefusedRunKey(const RefusedRunKey &) = delete;
    RefusedRunKey &operator=(const RefusedRunKey &) = delete;

private:
    const TestRegistryKey key_;
    std::wstring original_;
};

// The entries of each key's access list in a description of the registry, by
// the key's number.
std::map<std::string, std::set<std::string>> AccessEntries(const std::string &description)
{
    std::map<std::string, std::set<std::string>> entries;
    std::istringstream lines(description);
    for (std::string kind, number, owner, accessList; lines >> kind >> number >> owner >> accessList;) {
        for (size_t at = accessList.find('('); kind == "key" && at != std::string::npos;
             at = accessList.find('(', at + 1))
            entries[number].insert(accessList.substr(at, accessList.find(')', at) + 1 - at));
        std::getline(lines, kind);
    }
    return entries;
}
}  // namespace

class SettingsCommandsTest : public testing::Test {
protected:
    void SetUp() override { DeleteRunValues(); }
    void TearDown() override { DeleteRunValues(); }

    std::string SettingsFile() const { return home_.PathOf("settings.ini"); }

    ScratchFolder home_;
};

TEST_F(SettingsCommandsTest, SaveWritesTheControlsAndConfirms)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Type(program.FolderBox(), "D:\\Holiday Pictures");
    program.Type(program.IntervalBox(), "0012");
    program.Select(IDC_INTERVAL_UNIT, 1);
    program.Select(IDC_WALLPAPER_MODE, 2);
    program.Click(IDC_SAVE_SETTINGS);
    ASSERT_TRUE(program.Messages().WaitFor(1));

    std::vector<ShownMessage> shown = program.Messages().Messages();
    EXPECT_EQ(shown[0].text, "Your settings have been saved!");
    EXPECT_EQ(shown[0].caption, "Info");
    EXPECT_FALSE(shown[0].hasOwner);
    EXPECT_EQ(Lines(SettingsFile()),
              (std::vector<std::string>{"[Settings]", "wallpaperDir=D:\\Holiday Pictures", "rotationInt=12",
                                        "rotationIntType=1", "wallpaperMode=2", "rotateAtStartup=0"}));
}

TEST_F(SettingsCommandsTest, SaveLandsBesideTheProgramAndWritesTheFolderTheBoxShows)
{
    // The box holds 260 UTF-16 units: a longer folder from the file is cut to
    // them, never inside a character, and 260 typed are all kept.
    const std::string start = "C:\\" + std::string(256, 'f');
    const struct {
        std::string stored, typed, shown, saved = "";  // saved as shown unless given
    } folders[] = {
        {start + std::string(520, 'f'), "", start + "f"},  // 779 characters
        {start + "😀" + std::string(500, 'f'), "", start},
        {"", "C:\\" + std::string(257, 'g'), "C:\\" + std::string(257, 'g')},
        {"", " \"D:\\Holiday Pictures\" ", " \"D:\\Holiday Pictures\" ", "D:\\Holiday Pictures"},  // Copy as path
    };
    for (const auto &folder : folders) {
        SCOPED_TRACE(folder.shown.size());
        ScratchFolder home, elsewhere;
        std::string settings = folder.stored.empty() ? "" : "[Settings]\r\nwallpaperDir=" + folder.stored + "\r\n";
        RunningProgram::Options options = WithSettings(settings);
        options.currentFolder = elsewhere.Path().c_str();
        RunningProgram program(home, options);
        ASSERT_TRUE(program.WaitUntilShown());
        if (!folder.typed.empty())
            program.Type(program.FolderBox(), folder.typed);
        EXPECT_EQ(RunningProgram::Text(program.FolderBox()), folder.shown);
        program.Type(program.IntervalBox(), "");
        program.Click(IDC_SAVE_SETTINGS);
        ASSERT_TRUE(program.Messages().WaitFor(1));

        std::vector<std::string> lines = Lines(home.PathOf("settings.ini"));
        ASSERT_EQ(lines.size(), 6u);
        EXPECT_EQ(lines[1], "wallpaperDir=" + (folder.saved.empty() ? folder.shown : folder.saved));
        EXPECT_EQ(lines[2], "rotationInt=0");
        EXPECT_EQ(elsewhere.List("*"), (std::vector<std::string>{".", ".."}));
    }
}

TEST_F(SettingsCommandsTest, FailedSaveIsReportedInsteadOfConfirmed)
{
    home_.AddFolder("settings.ini");
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Click(IDC_SAVE_SETTINGS);
    ASSERT_TRUE(program.Messages().WaitFor(1));
    Sleep(300);

    std::vector<ShownMessage> shown = program.Messages().Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kSaveFailed);
    EXPECT_EQ(shown[0].caption, "Error");
    EXPECT_FALSE(shown[0].hasOwner);
}

TEST_F(SettingsCommandsTest, RotateAtStartupIsWrittenAtOnce)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Click(IDC_ROTATE_AT_STARTUP);
    EXPECT_TRUE(program.Checked(IDC_ROTATE_AT_STARTUP));
    EXPECT_EQ(Lines(SettingsFile()), (std::vector<std::string>{"[Settings]", "rotateAtStartup=1"}));
    program.Click(IDC_ROTATE_AT_STARTUP);
    EXPECT_FALSE(program.Checked(IDC_ROTATE_AT_STARTUP));
    EXPECT_EQ(Lines(SettingsFile()), (std::vector<std::string>{"[Settings]", "rotateAtStartup=0"}));
    EXPECT_TRUE(program.Messages().Messages().empty());
}

TEST_F(SettingsCommandsTest, RotateAtStartupKeepsItsStateWhenTheFileCannotTakeIt)
{
    home_.AddFolder("settings.ini");
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Click(IDC_ROTATE_AT_STARTUP);
    ASSERT_TRUE(program.Messages().WaitFor(1));
    EXPECT_EQ(Texts(program.Messages().Messages()), std::vector<std::string>{kSaveFailed});
    EXPECT_FALSE(program.Checked(IDC_ROTATE_AT_STARTUP));
}

TEST_F(SettingsCommandsTest, StartWithWindowsFollowsTheRegistryWhereverTheProgramIs)
{
    // Quoted when the path has a space: unquoted, C:\Program Files\... would
    // start C:\Program.exe at log-on.
    for (const char *suffix : {"", " Backdrop Carousel", "-プログラム"}) {
        SCOPED_TRACE(suffix);
        ScratchFolder pictures("-写真");
        // With a space, quoted: 260 characters, the most a Run value may hold.
        std::unique_ptr<ScratchFolder> folder = strchr(suffix, ' ') ? HomeWithProgramPath(258, suffix)
                                                                    : std::make_unique<ScratchFolder>(suffix);
        const ScratchFolder &home = *folder;
        std::string settings = "[Settings]\r\nwallpaperDir=" + pictures.Path() + "\r\nrotationInt=42\r\n";
        RunningProgram program(home, WithSettings(settings));
        ASSERT_TRUE(program.WaitUntilShown());
        EXPECT_EQ(RunningProgram::Text(program.FolderBox()), pictures.Path()) << "the settings beside it are read";
        EXPECT_EQ(RunningProgram::Text(program.IntervalBox()), "42");
        EXPECT_FALSE(program.Checked(IDC_START_WITH_WINDOWS));

        program.Click(IDC_START_WITH_WINDOWS);
        EXPECT_TRUE(program.Checked(IDC_START_WITH_WINDOWS));
        std::string path = home.PathOf("BackdropCarousel.exe");
        EXPECT_EQ(RunValue(), strchr(suffix, ' ') ? "\"" + path + "\"" : path);
        program.Click(IDC_START_WITH_WINDOWS);
        EXPECT_FALSE(program.Checked(IDC_START_WITH_WINDOWS));
        EXPECT_EQ(RunValue(), kNone);
        EXPECT_TRUE(program.Messages().Messages().empty());
    }
}

TEST_F(SettingsCommandsTest, StartWithWindowsFallsBackToTheUserAndReportsWhatCannotChange)
{
    const std::string path = home_.PathOf("BackdropCarousel.exe");
    const struct {
        const char *what;
        bool userRefused;
        std::string machineBefore;
        bool checkedAfter;  // after one click
        std::string machineAfter, userAfter;
    } cases[] = {
        {"machine-wide key refused: the user's own", false, kNone, true, kNone, path},
        {"both keys refused", true, kNone, false, kNone, kNone},
        {"this copy's machine-wide value, which cannot go", false, path, true, path, kNone},
        // Both would start, in no set order: nothing of this copy's.
        {"another copy's machine-wide value, which cannot go", false, "D:\\Zip\\BackdropCarousel.exe", false,
         "D:\\Zip\\BackdropCarousel.exe", kNone},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DeleteRunValues();
        SHDeleteEmptyKeyA(HKEY_CURRENT_USER, kRunKey);  // as on a profile without one, where it is empty
        bool checkedBefore = c.machineBefore == path;
        if (c.machineBefore != kNone)
            SetRunValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, c.machineBefore);
        if (c.userRefused)
            RegCloseKey(RunKey(HKEY_CURRENT_USER));  // a list to compare with
        const std::string before = DescribeRegistry();
        RefusedRunKey machine(HKEY_LOCAL_MACHINE);
        std::unique_ptr<RefusedRunKey> user(c.userRefused ? new RefusedRunKey(HKEY_CURRENT_USER) : nullptr);
        if (c.userRefused) {
            // As another process sees the keys: nobody is allowed anything new.
            auto was = AccessEntries(before), now = AccessEntries(OutputOfThisTestProgram("--describe-registry"));
            EXPECT_EQ(now.size(), was.size());
            for (const auto &key : now)
                for (const std::string &entry : key.second)
                    EXPECT_TRUE(entry.compare(0, 3, "(D;") == 0 || was[key.first].count(entry)) << entry;
        }
        RunningProgram program(home_);
        ASSERT_TRUE(program.WaitUntilShown());
        ASSERT_EQ(program.Checked(IDC_START_WITH_WINDOWS), checkedBefore);

        program.Click(IDC_START_WITH_WINDOWS);
        EXPECT_EQ(program.Checked(IDC_START_WITH_WINDOWS), c.checkedAfter);
        EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), c.machineAfter);
        EXPECT_EQ(RunValue(HKEY_CURRENT_USER), c.userAfter);
        bool changed = c.checkedAfter != checkedBefore;
        std::vector<ShownMessage> shown = program.Messages().Messages();
        ASSERT_EQ(shown.size(), changed ? 0u : 1u);
        if (!changed) {
            EXPECT_EQ(shown[0].text, "Could not change the start with Windows setting!");
            EXPECT_EQ(shown[0].caption, "Error");
            EXPECT_FALSE(shown[0].hasOwner);
        } else if (c.checkedAfter) {
            program.Click(IDC_START_WITH_WINDOWS);  // and off again
            EXPECT_FALSE(program.Checked(IDC_START_WITH_WINDOWS));
            EXPECT_EQ(RunValue(HKEY_CURRENT_USER), kNone);
        }
    }
}

TEST_F(SettingsCommandsTest, TheBoxIsTickedWhenAValueStartsThisCopyAndTickingReplacesOneThatDoesNot)
{
    // The program exists before it starts, for its short form.
    const std::string path = home_.PathOf("BackdropCarousel.exe"), other = "D:\\Other Copy\\BackdropCarousel.exe";
    home_.AddFile("BackdropCarousel.exe");
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    std::string capitals = path;
    CharUpperA(&capitals[0]);
    SetEnvironmentVariableA("BACKDROP_HOME", home_.Path().c_str());  // the program's too
    const HKEY user = HKEY_CURRENT_USER, machine = HKEY_LOCAL_MACHINE;
    const REGSAM view32 = KEY_WOW64_32KEY;
    const struct {
        const char *what;
        HKEY root;
        REGSAM view;
        std::string value;
        char switchState;  // the first byte of Windows' startup switch; 0: none
        bool alsoThisCopyForTheUser, ticked;
    } cases[] = {
        {"another copy's, in the 32-bit view older versions wrote", machine, view32, other, 0, false, false},
        {"where this copy was before it moved", user, 0, "E:\\BackdropCarousel.exe", 0, false, false},
        {"this copy in capitals, with an argument", user, 0, capitals + " /tray", 0, false, true},
        {"this copy's short form, quoted", machine, view32, '"' + std::string(shortPath) + '"', 0, false, true},
        {"this copy's, switched off in Task Manager", machine, view32, path, 3, false, false},
        {"this copy's, switched on there again", user, 0, path, 6, false, true},
        {"this copy's, through a variable", user, 0, "%BACKDROP_HOME%\\BackdropCarousel.exe", 0, false, true},
        {"another copy's beside this copy's: unticking leaves it", machine, view32, other, 0, true, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DeleteRunValues();
        SetRunValue(c.root, c.view, c.value, c.value[0] == '%' ? REG_EXPAND_SZ : REG_SZ);
        std::string switchKey = kSwitchKey + (c.view == view32 && TwoViews() ? "32" : "");
        if (c.switchState)
            SetRunValue(c.root, KEY_WOW64_64KEY, c.switchState + std::string(11, '\0'), REG_BINARY, switchKey);
        if (c.alsoThisCopyForTheUser)
            SetRunValue(user, 0, path);
        RunningProgram program(home_);
        ASSERT_TRUE(program.WaitUntilShown());
        EXPECT_EQ(program.Checked(IDC_START_WITH_WINDOWS), c.ticked);

        program.Click(IDC_START_WITH_WINDOWS);
        EXPECT_NE(program.Checked(IDC_START_WITH_WINDOWS), c.ticked);
        std::string left = c.alsoThisCopyForTheUser ? other : kNone, written = c.ticked ? kNone : path;
        if (c.root == machine && !TwoViews())
            left = written = c.ticked ? left : written;  // one key
        EXPECT_EQ(RunValue(c.root, c.view), left);
        EXPECT_EQ(RunValue(c.root, KEY_WOW64_64KEY, switchKey), kNone);
        EXPECT_EQ(RunValue(), written);
        EXPECT_EQ(RunValue(user), kNone);
        EXPECT_TRUE(program.Messages().Messages().empty());
    }
}

TEST_F(SettingsCommandsTest, StartWithWindowsWritesTheShortFormOfAPathTooLongForARunValue)
{
    // 259 characters, the longest path Windows starts a program from; quoted,
    // 261, one more than a Run value may hold.
    std::unique_ptr<ScratchFolder> home = HomeWithProgramPath(259, " ");
    RunningProgram program(*home);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Click(IDC_START_WITH_WINDOWS);
    // Where the drive gives no short names, no form fits.
    bool fits = home->HasShortName("BackdropCarousel.exe");
    EXPECT_EQ(program.Checked(IDC_START_WITH_WINDOWS), fits);
    EXPECT_EQ(program.Messages().Messages().size(), fits ? 0u : 1u);
    char named[MAX_PATH] = "";
    GetLongPathNameA(RunValue().c_str(), named, sizeof named);
    EXPECT_EQ(named, fits ? home->PathOf("BackdropCarousel.exe") : "") << RunValue();
    EXPECT_EQ(RunValue().find(' '), std::string::npos) << "unquoted, a space would end the program's path";
}

TEST_F(SettingsCommandsTest, CancellingTheFolderPickerLeavesTheBox)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    std::string before = RunningProgram::Text(program.FolderBox());
    PostMessageA(program.Control(IDC_BROWSE), BM_CLICK, 0, 0);

    HWND picker = nullptr;
    ASSERT_TRUE(Eventually([&] {
        picker = FindWindowExA(nullptr, nullptr, "#32770", nullptr);
        return picker && IsWindowVisible(picker) && FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
    }));
    EXPECT_EQ(GetWindow(picker, GW_OWNER), nullptr) << "the picker has no owner";
    EXPECT_TRUE(IsWindowEnabled(program.Window())) << "the settings window stays usable";
    PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(picker); }));
    program.Sync();
    EXPECT_EQ(RunningProgram::Text(program.FolderBox()), before);
}
