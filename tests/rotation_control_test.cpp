#include "support/message_box_watcher.h"
#include "support/rotation_fixture.h"
#include "support/scratch_folder.h"

using RotationControlTest = RotationFixture;

namespace {
const char kNoPath[] = "You must specify a path!";
const char kNoInterval[] = "You must specify an interval!";
const char kTooSmall[] = "The interval you specified is too small!";
const char kInvalidPath[] = "The path you specified is invalid!";

struct Attempt {
    const char *interval;
    int unitSelection;
    UINT period;  // 0: refused as too small
};
}  // namespace

TEST_F(RotationControlTest, ArmsTheTimerWithCountTimesUnit)
{
    ScratchFolder folder;
    MessageBoxWatcher watcher;
    const Attempt attempts[] = {
        {"3", 0, 3000},          {"2", 0, 0},           {"0", 0, 0},
        {"5", 1, 300000},        {"1", 1, 60000},       {"0", 1, 0},  // 0 minutes would flood the desktop
        {"9999", 1, 599940000},  {"0012", 0, 12000},    {" 7x", 0, 7000},
        {"-5", 0, 0},            {"-1", 1, 0},  // only an edited settings file gives these
        {"12345", 0, 1234000},  // put in by the program past the typing limit: read as 4 characters
    };
    for (const Attempt &attempt : attempts) {
        SCOPED_TRACE(std::string(attempt.interval) + (attempt.unitSelection ? " minutes" : " seconds"));
        RecordedTimers().clear();
        watcher.Clear();
        SetIntervalUnit(attempt.unitSelection);
        SetBoxes(folder.Path(), attempt.interval);
        StartRotation();
        if (attempt.period == 0) {
            EXPECT_EQ(Texts(watcher.Messages()), std::vector<std::string>{kTooSmall});
            EXPECT_TRUE(RecordedTimers().empty());
        } else {
            EXPECT_TRUE(watcher.Messages().empty());
            ASSERT_EQ(RecordedTimers().size(), 1u);
            EXPECT_EQ(RecordedTimers()[0].window, g_mainWindow);
            EXPECT_EQ(RecordedTimers()[0].id, IDT_ROTATION);
            EXPECT_EQ(RecordedTimers()[0].period, attempt.period);
        }
    }
}

TEST_F(RotationControlTest, ChecksRunInOrderAndLeaveARunningTimerAlone)
{
    ScratchFolder folder, other;
    other.AddFile("not a folder.jpg");
    struct Case {
        std::string folder, interval;
        const char *message;
        std::string folderAfter;
        int countAfter;
    } cases[] = {
        {"", "", kNoPath, "previous", 10},
        {folder.Path(), "", kNoInterval, folder.Path(), 10},
        {other.Path(), "1", kTooSmall, other.Path(), 1},
        {folder.PathOf("missing"), "4", kInvalidPath, folder.PathOf("missing"), 4},
    };
    MessageBoxWatcher watcher;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        g_imageFolder = "previous";
        g_intervalCount = 10;
        ArmTimer(5000);
        RecordedTimers().clear();
        watcher.Clear();

        SetBoxes(c.folder, c.interval);
        StartRotation();

        std::vector<ShownMessage> shown = watcher.Messages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, c.message);
        EXPECT_EQ(shown[0].caption, "Error");
        EXPECT_FALSE(shown[0].hasOwner);
        EXPECT_EQ(g_imageFolder, c.folderAfter);
        EXPECT_EQ(g_intervalCount, c.countAfter);
        EXPECT_TRUE(RecordedTimers().empty());
        EXPECT_TRUE(StopTimer()) << "the running rotation goes on";
    }
}

TEST_F(RotationControlTest, AFileInPlaceOfTheFolderPassesTheChecks)
{
    ScratchFolder folder;
    folder.AddFile("picture.jpg");
    MessageBoxWatcher watcher;
    SetBoxes(folder.PathOf("picture.jpg"), "3");
    StartRotation();
    EXPECT_TRUE(watcher.Messages().empty());
    EXPECT_TRUE(StopTimer());
}

TEST_F(RotationControlTest, UnitChangeWaitsForTheNextStart)
{
    ScratchFolder folder;
    SetBoxes(folder.Path(), "4");
    StartRotation();
    SetIntervalUnit(1);
    EXPECT_EQ(g_unitMillis, 60000);
    EXPECT_EQ(RecordedTimers().size(), 1u) << "the running timer is not re-armed";
    SetIntervalUnit(7);
    EXPECT_EQ(g_unitMillis, 1000);
    SetIntervalUnit(1);
    StartRotation();
    ASSERT_EQ(RecordedTimers().size(), 2u);
    EXPECT_EQ(RecordedTimers()[1].period, 240000u);
}

TEST_F(RotationControlTest, TrailingBackslashGivesADoubledSeparator)
{
    ScratchFolder folder;
    folder.AddFile("a.jpg");
    SetBoxes(folder.Path() + "\\", "3");
    StartRotation();
    OnRotationTick();
    std::vector<std::string> log = ReadDesktopLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "SetWallpaper " + folder.Path() + "\\\\a.jpg 0");
}
