#include "program/program_driver.h"
#include "support/desktop_log.h"

#include <gtest/gtest.h>

using Log = std::vector<std::string>;

namespace {
const Log kStyleAtStart = {"create", "SetWallpaperOptions 8 0 0", "ApplyChanges 7"};

Log Applied(const ScratchFolder &folder, const std::vector<std::string> &names, int style)
{
    Log calls;
    for (const std::string &name : names) {
        calls.push_back("SetWallpaper " + folder.PathOf(name) + " 0");
        calls.push_back("SetWallpaperOptions 8 " + std::to_string(style) + " 0");
        calls.push_back("ApplyChanges 15");
    }
    return calls;
}

Log After(Log first, const Log &second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}
}  // namespace

class RotationTest : public ProgramTest {
protected:
    void Tick(const RunningProgram &program) const
    {
        SendMessageA(program.Window(), WM_TIMER, 4000, 0);
    }

    ScratchFolder pictures_;
};

TEST_F(RotationTest, TicksWalkTheFolderOnceInTheStyleChosen)
{
    for (const char *name : {"b.jpg", "A.JPG", "c.Jpg", "d.jpeg", "e.png", "f.jpgx"})
        pictures_.AddFile(name);
    pictures_.AddFolder("g.jpg");
    // The platform's order, less the folder and the short-name match.
    std::vector<std::string> images;
    for (const std::string &name : pictures_.List("*.jpg")) {
        if (name != "g.jpg" && name != "f.jpgx")
            images.push_back(name);
    }
    ASSERT_EQ(images.size(), 3u);

    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Select(IDC_WALLPAPER_MODE, 2);
    program.Type(program.FolderBox(), pictures_.Path());
    program.Type(program.IntervalBox(), "60");
    program.Click(IDC_START_ROTATION);
    for (int tick = 0; tick < 4; ++tick)
        Tick(program);

    Log expected = After(kStyleAtStart, {"SetWallpaperOptions 8 2 0", "ApplyChanges 7"});
    expected = After(expected, Applied(pictures_, {images[0], images[1], images[2], images[2]}, 2));
    EXPECT_EQ(ReadDesktopLog(), expected);
    EXPECT_TRUE(program.Messages().Messages().empty());

    // Started again, the walk begins anew from the first picture.
    ClearDesktopLog();
    program.Click(IDC_START_ROTATION);
    Tick(program);
    EXPECT_EQ(ReadDesktopLog(), Applied(pictures_, {images[0]}, 2));
}

TEST_F(RotationTest, TimerFiresByItselfAndStopsAtTheEndOfTheFolder)
{
    pictures_.AddFile("one.jpg");
    pictures_.AddFile("two.jpg");
    std::vector<std::string> listed = pictures_.List("*.jpg");
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Type(program.FolderBox(), pictures_.Path());
    program.Type(program.IntervalBox(), "3");
    DWORD started = GetTickCount();
    program.Click(IDC_START_ROTATION);

    Log expected = After(kStyleAtStart, Applied(pictures_, {listed[0], listed[1], listed[1]}, 0));
    ASSERT_TRUE(Eventually([&] { return ReadDesktopLog().size() >= expected.size(); }, 15000));
    DWORD elapsed = GetTickCount() - started;
    EXPECT_GE(elapsed, 8500u) << "three ticks of three seconds";
    Sleep(4000);
    EXPECT_EQ(ReadDesktopLog(), expected) << "no tick after the end of the folder";
}

TEST_F(RotationTest, BadInputIsReportedAlsoWhenStartedFromTheTrayWhileHidden)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Type(program.IntervalBox(), "2");
    program.Click(IDC_START_ROTATION);

    SendMessageA(program.Window(), WM_CLOSE, 0, 0);
    program.Type(program.FolderBox(), "");
    program.ChooseTrayItem(0);
    ASSERT_TRUE(program.Messages().WaitFor(2));

    std::vector<ShownMessage> shown = program.Messages().Messages();
    EXPECT_EQ(Texts(shown), (std::vector<std::string>{"The interval you specified is too small!",
                                                      "You must specify a path!"}));
    for (const ShownMessage &message : shown) {
        EXPECT_EQ(message.caption, "Error");
        EXPECT_FALSE(message.hasOwner);
    }
    EXPECT_FALSE(IsWindowVisible(program.Window()));
}
