#include "base/executable_path.h"
#include "base/path_forms.h"
#include "support/rotation_fixture.h"
#include "support/scratch_folder.h"

#include <algorithm>
#include <climits>
#include <tuple>

using RotationControlTest = RotationFixture;

namespace {
struct Attempt {
    const char *interval;
    int unitSelection;
    UINT period;  // 0: refused as too small
};
}  // namespace

TEST_F(RotationControlTest, IntervalTextIsReadAsAtoiReadsItUpToTheBoxsLargestNumber)
{
    const std::pair<const char *, int> readings[] = {
        {"0012", 12},
        {"7x", 7},
        {" 42", 42},
        {"3e9", 3},
        {"abc", 0},
        {"", 0},
        {"-5", -5},
        {"9999", 9999},
        {"99999999999", 9999},
        {"-99999999999", INT_MIN},
    };
    for (const auto &reading : readings)
        EXPECT_EQ(IntervalCountFromText(Utf16(reading.first)), reading.second) << reading.first;
}

TEST_F(RotationControlTest, ThePeriodIsCountTimesUnitAndAStartArmsIt)
{
    ScratchFolder folder;
    folder.AddFile("a.jpg");
    const Attempt attempts[] = {
        {"3", 0, 3000},
        {"2", 0, 0},
        {"0", 0, 0},
        {"5", 1, 300000},
        {"1", 1, 60000},
        {"0", 1, 0},  // 0 minutes would flood the desktop
        {"9999", 1, 599940000},
        {"0012", 0, 12000},
        {" 7x", 0, 7000},
        {"-5", 0, 0},
        {"-1", 1, 0},  // only an edited settings file gives these
        {"12345", 0, 9999000},
        {"99999999999", 0, 9999000},  // more than the box holds
    };
    for (const Attempt &attempt : attempts) {
        SCOPED_TRACE(std::string(attempt.interval) + (attempt.unitSelection ? " minutes" : " seconds"));
        SetIntervalUnit(attempt.unitSelection);
        EXPECT_EQ(RotationPeriod(IntervalCountFromText(Utf16(attempt.interval)), g_unitMillis), attempt.period);
        // Between quotes, as Explorer's "Copy as path" gives it, blanks and all.
        EXPECT_EQ(StartRotation(Utf16(" \" " + folder.Path() + "\t\""), Utf16(attempt.interval)),
                  attempt.period ? StartResult::Started : StartResult::IntervalTooSmall);
        EXPECT_EQ(StopTimer(), attempt.period != 0) << "the window's rotation timer";
    }
}

TEST_F(RotationControlTest, ChecksRunInOrderAndARefusedStartChangesNothing)
{
    ScratchFolder folder, other;
    other.AddFile("not a folder.jpg");
    folder.AddFolder("x.jpg");  // look-alikes of pictures, as the platform's search matches them
    folder.AddFile("b.jpgx");
    // With its search pattern the folder would pass the platform's path limit.
    std::string tooLong = folder.PathOf(std::string(253 - folder.Path().size(), 'l'));
    folder.AddFolder(tooLong.substr(folder.Path().size() + 1));
    // Group Policy's values for a wallpaper the organisation sets, for the
    // user or the computer (in the 64-bit view, where Group Policy writes).
    const std::string policies = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\";
    // Started from another drive, as from the system folder at sign-in: a
    // folder from the root names the program's drive, here one without pictures.
    std::wstring programFolder = ExecutableFolder(), current(MAX_PATH, L'\0');
    current.resize(GetCurrentDirectoryW(MAX_PATH, &current[0]));
    SetCurrentDirectoryW(Utf16(other.Path()).c_str());
    const struct {
        std::string folder, interval;
        StartResult result;
        HKEY policyRoot = nullptr;
        std::string policyKey, policy;
    } cases[] = {
        {other.Path(), "4", StartResult::SetByPolicy, HKEY_CURRENT_USER, policies + "System", "Wallpaper"},
        {other.Path(), "4", StartResult::SetByPolicy, HKEY_LOCAL_MACHINE, policies + "System", "Wallpaper"},
        {other.Path(), "4", StartResult::SetByPolicy, HKEY_CURRENT_USER, policies + "ActiveDesktop",
         "NoChangingWallPaper"},
        {other.Path(), "4", StartResult::SetByPolicy, HKEY_LOCAL_MACHINE, policies + "ActiveDesktop",
         "NoChangingWallPaper"},
        {"", "", StartResult::NoPath, nullptr, "", ""},
        {folder.Path(), "", StartResult::NoInterval, nullptr, "", ""},
        {"missing", "1", StartResult::IntervalTooSmall, nullptr, "", ""},
        {tooLong, "4", StartResult::PathTooLong, nullptr, "", ""},
        {folder.PathOf("missing"), "4", StartResult::InvalidPath, nullptr, "", ""},
        {other.PathOf("not a folder.jpg"), "4", StartResult::InvalidPath, nullptr, "", ""},
        {"CON", "4", StartResult::InvalidPath, nullptr, "", ""},
        {folder.Path(), "4", StartResult::NoPictures, nullptr, "", ""},
        {Utf8(programFolder.substr(2)), "4", StartResult::NoPictures, nullptr, "", ""},
        {folder.Path(), "4", StartResult::NoPictures, HKEY_CURRENT_USER, policies + "ActiveDesktop",
         "NoChangingWallPaper"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.folder + " / " + c.interval);
        g_imageFolder = L"previous";
        g_intervalCount = 10;
        ArmTimer(5000);

        HKEY policy = nullptr;
        const DWORD value = c.result == StartResult::SetByPolicy;  // 0 leaves the wallpaper to the user
        if (c.policyRoot)
            RegCreateKeyExA(c.policyRoot, c.policyKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                            &policy, nullptr);
        RegSetValueExA(policy, c.policy.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);

        EXPECT_EQ(StartRotation(Utf16(c.folder), Utf16(c.interval)), c.result);
        RegDeleteValueA(policy, c.policy.c_str());
        RegCloseKey(policy);
        EXPECT_EQ(g_imageFolder, L"previous");
        EXPECT_EQ(g_intervalCount, 10);
        EXPECT_TRUE(StopTimer()) << "the running rotation goes on";
    }
    SetCurrentDirectoryW(current.c_str());
    EXPECT_EQ(StartRotation(Utf16(tooLong.substr(0, tooLong.size() - 1)), L"4"), StartResult::InvalidPath)
        << "one character less fits";
}

TEST_F(RotationControlTest, UnitSelectionIsMinutesOnlyForOne)
{
    for (LRESULT selection : {1, 7, 0, -1}) {
        SetIntervalUnit(selection);
        EXPECT_EQ(g_unitMillis, selection == 1 ? 60000 : 1000) << selection;
    }
}

TEST_F(RotationControlTest, TrailingBackslashGivesADoubledSeparator)
{
    ScratchFolder folder;
    folder.AddFile("a.jpg");
    StartRotation(Utf16(folder.Path() + "\\"), L"3");
    OnRotationTick();
    std::vector<std::string> log = ReadDesktopLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "SetWallpaper " + folder.Path() + "\\\\a.jpg 0");
}

TEST_F(RotationControlTest, PictureWhosePathTheDesktopCannotKeepIsSkippedWithinTheTick)
{
    // Folders named in 8.3 form are their own short form: in a folder of over
    // 250 characters even a long-named picture's short path is too long.
    ScratchFolder base;
    wchar_t shortBase[MAX_PATH];
    std::wstring folder(shortBase, GetShortPathNameW(Utf16(base.Path()).c_str(), shortBase, MAX_PATH));
    std::string relative;
    while (folder.size() < 250) {
        std::string name(std::min<size_t>(8, 252 - folder.size()), 'd');
        base.AddFolder(relative += (relative.empty() ? "" : "\\") + name);
        folder += L"\\" + Utf16(name);
    }
    base.AddFile(relative + "\\" + std::string(40, 'a') + ".jpg");
    base.AddFile(relative + "\\b.jpg");
    ASSERT_EQ(StartRotation(folder, L"3"), StartResult::Started);
    OnRotationTick();
    std::vector<std::string> log = ReadDesktopLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "SetWallpaper " + Utf8(folder) + "\\b.jpg 0");

    // Two folders up the long name is too long, but its short form fits.
    std::string upper = relative.substr(0, relative.rfind('\\', relative.rfind('\\') - 1));
    std::wstring upperFolder = folder.substr(0, folder.size() - relative.size() + upper.size());
    std::string picture = upper + "\\" + std::string(40, 'c') + ".jpg";
    base.AddFile(picture);
    if (!base.HasShortName(picture))
        return;  // a drive without short names has no form that fits
    ClearDesktopLog();
    ASSERT_EQ(StartRotation(upperFolder, L"3"), StartResult::Started);
    OnRotationTick();
    log = ReadDesktopLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0].substr(0, 14 + upperFolder.size()), "SetWallpaper " + Utf8(upperFolder) + "\\");
}

TEST_F(RotationControlTest, AFolderThatHasGoneEndsThePassOneWithoutPicturesKeepsIt)
{
    const struct {
        int ticksBefore;
        bool folderGoes;
    } cases[] = {{0, true}, {1, true}, {0, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.ticksBefore) + (c.folderGoes ? " ticks, folder gone" : " ticks, pictures gone"));
        ScratchFolder base;
        base.AddFolder("pictures");
        base.AddFile("pictures\\a.jpg");
        base.AddFile("pictures\\b.jpg");
        ASSERT_EQ(StartRotation(Utf16(base.PathOf("pictures")), L"3"), StartResult::Started);
        for (int i = 0; i < c.ticksBefore; ++i)
            OnRotationTick();
        base.Remove(c.folderGoes ? "pictures" : "pictures\\a.jpg");
        base.Remove("pictures\\b.jpg");
        OnRotationTick();
        EXPECT_EQ(StopTimer(), !c.folderGoes) << "a drive unplugged ends the pass; an emptied folder does not";
    }
}

TEST_F(RotationControlTest, AFolderOnAShareIsTakenAsItIsAndItsPicturesFound)
{
    ScratchFolder folder;
    folder.AddFile("a.jpg");
    // The folder through the system drive's administrative share, which an
    // administrator has on Windows; Wine has no shares.
    std::wstring local = Utf16(folder.Path());
    std::wstring share = L"\\\\localhost\\" + local.substr(0, 1) + L"$" + local.substr(2);
    if (GetFileAttributesW(share.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no administrative share here";
    ASSERT_EQ(StartRotation(share, L"3"), StartResult::Started);
    OnRotationTick();
    std::vector<std::string> log = ReadDesktopLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "SetWallpaper " + Utf8(share) + "\\a.jpg 0");
}

TEST_F(RotationControlTest, PathsOnAShareTakeTheExtendedFormAndComeBackWhole)
{
    // A picture's existence is asked in the \\?\ form, and a short name comes
    // back in it: either form wrong, a share's pictures are skipped.
    const struct {
        const wchar_t *path, *extended, *ordinary;
    } forms[] = {
        {L"\\\\server\\share\\x\\..\\a.jpg", L"\\\\?\\UNC\\server\\share\\a.jpg", L"\\\\server\\share\\a.jpg"},
        {L"\\\\?\\UNC\\server\\share\\a.jpg", L"\\\\?\\UNC\\server\\share\\a.jpg", L"\\\\server\\share\\a.jpg"},
        {L"C:\\x\\..\\a.jpg", L"\\\\?\\C:\\a.jpg", L"C:\\a.jpg"},
        {L"\\\\.\\C:\\a.jpg", L"\\\\.\\C:\\a.jpg", L"\\\\.\\C:\\a.jpg"},
    };
    for (const auto &form : forms) {
        SCOPED_TRACE(Utf8(form.path));
        EXPECT_EQ(ExtendedLengthPath(form.path), form.extended);
        EXPECT_EQ(OrdinaryPath(form.extended), form.ordinary);
    }
}

static QUERY_USER_NOTIFICATION_STATE g_userState;

TEST_F(RotationControlTest, RefusedPicturesAreSkippedAllRefusedEndThePassAndAFullScreenGameIsWaitedFor)
{
    ScratchFolder folder;
    folder.AddFile("a.jpg");
    folder.AddFile("b.jpg");
    std::string first = folder.List("*.jpg")[0];
    g_userNotificationState = [] { return g_userState; };
    // The state at the first tick (the second is free), the picture or "*" (all) the desktop refuses, and
    // the calls it gets: three a picture handed over, one a picture SetWallpaper refuses.
    const std::tuple<QUERY_USER_NOTIFICATION_STATE, const char *, size_t> cases[] = {
        {QUNS_BUSY, "", 3},
        {QUNS_RUNNING_D3D_FULL_SCREEN, "", 3},
        {QUNS_PRESENTATION_MODE, "", 3},
        {QUNS_NOT_PRESENT, "", 6},
        {QUNS_ACCEPTS_NOTIFICATIONS, first.c_str(), 1 + 3 + 3},
        {QUNS_ACCEPTS_NOTIFICATIONS, "*", 9},  // both, and the last again, at the first tick
    };
    for (const auto &[state, refuses, calls] : cases) {
        SCOPED_TRACE(std::to_string(state) + refuses);
        SetEnvironmentVariableA("BACKDROP_DESKTOP_REFUSES", refuses);
        ClearDesktopLog();
        EXPECT_EQ(StartRotation(Utf16(folder.Path()), L"3"), StartResult::Started);
        g_userState = state;
        EXPECT_EQ(OnRotationTick().refused, *refuses == '*' ? E_ACCESSDENIED : S_OK) << "the pass ends with the reason";
        g_userState = QUNS_ACCEPTS_NOTIFICATIONS;
        OnRotationTick();
        EXPECT_EQ(ReadDesktopLog().size(), calls);
        EXPECT_EQ(ReadDesktopLog().at(0), "SetWallpaper " + folder.PathOf(first) + " 0") << "none passed over";
    }
}
