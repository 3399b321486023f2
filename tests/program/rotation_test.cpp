#include "program/program_driver.h"
#include "support/desktop_log.h"

#include <gtest/gtest.h>

#include <iterator>

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
    void Tick(const RunningProgram &program, WPARAM timerId = IDT_ROTATION) const
    {
        SendMessageA(program.Window(), WM_TIMER, timerId, 0);
    }

    // Starts a rotation of the folder that only the ticks sent here advance.
    void Start(const RunningProgram &program, const std::string &folder) const
    {
        program.Type(program.FolderBox(), folder);
        program.Type(program.IntervalBox(), "60");
        program.Click(IDC_START_ROTATION);
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
    Tick(program);  // before any start: no rotation to step
    Start(program, pictures_.Path());
    Tick(program, IDT_ROTATION + 1);  // another timer's
    for (int tick = 0; tick < 5; ++tick)
        Tick(program);  // the fifth comes after the rotation has ended

    Log expected = After(kStyleAtStart, {"SetWallpaperOptions 8 2 0", "ApplyChanges 7"});
    expected = After(expected, Applied(pictures_, {images[0], images[1], images[2], images[2]}, 2));
    EXPECT_EQ(ReadDesktopLog(), expected);
    EXPECT_TRUE(program.Messages().Messages().empty());

    // Started again, the walk begins anew from the first picture, and neither
    // the folder nor the policy keys that each tick reads are held.
    const char policies[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ActiveDesktop";
    const DWORD userMayChange = 0;
    RegSetKeyValueA(HKEY_CURRENT_USER, policies, "NoChangingWallPaper", REG_DWORD, &userMayChange,
                    sizeof userMayChange);
    ClearDesktopLog();
    ULONG handles = program.Handles();
    program.Click(IDC_START_ROTATION);
    Tick(program);
    EXPECT_EQ(ReadDesktopLog(), Applied(pictures_, {images[0]}, 2));
    EXPECT_EQ(program.Handles(), handles);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, policies, "NoChangingWallPaper");
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
    program.Type(program.FolderBox(), home_.Path());
    program.Type(program.IntervalBox(), "60");
    program.ChooseTrayItem(0);
    ASSERT_TRUE(program.Messages().WaitFor(3));

    std::vector<ShownMessage> shown = program.Messages().Messages();
    EXPECT_EQ(Texts(shown),
              (std::vector<std::string>{"The interval you specified is too small!", "You must specify a path!",
                                        "The folder you specified has no .jpg pictures!"}));
    for (const ShownMessage &message : shown) {
        EXPECT_EQ(message.caption, "Error");
        EXPECT_FALSE(message.hasOwner);
    }
    EXPECT_FALSE(IsWindowVisible(program.Window()));
}

TEST_F(RotationTest, VanishedPicturesAreSkippedAVanishedFolderEndsThePassQuietlyAndAPolicyWithOneMessage)
{
    home_.AddFolder("pictures");
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
        home_.AddFile(std::string("pictures\\") + name);
    std::vector<std::string> listed = home_.List("pictures\\*.jpg");
    std::string folder = home_.PathOf("pictures");
    auto applied = [&](std::vector<std::string> names) {
        for (std::string &name : names)
            name = "pictures\\" + name;
        return Applied(home_, names, 0);
    };

    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    ClearDesktopLog();
    Start(program, folder);
    Tick(program);
    home_.Remove("pictures\\" + listed[1]);
    home_.Remove("pictures\\" + listed[2]);
    Tick(program);  // the next picture that still exists
    home_.Remove("pictures\\" + listed[4]);
    Tick(program);  // the end of the folder: its last picture has gone too
    EXPECT_EQ(ReadDesktopLog(), applied({listed[0], listed[3]}));

    ClearDesktopLog();
    Start(program, folder);
    Tick(program);
    home_.Remove("pictures");
    Tick(program);
    Tick(program);
    EXPECT_EQ(ReadDesktopLog(), applied({listed[0]}));
    EXPECT_TRUE(program.Messages().Messages().empty());

    // Group Policy sets the wallpaper during a pass: nothing more is handed over.
    const char policies[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    pictures_.AddFile("a.jpg");
    ClearDesktopLog();
    Start(program, pictures_.Path());
    Tick(program);
    RegSetKeyValueA(HKEY_CURRENT_USER, policies, "Wallpaper", REG_SZ, "", 1);
    Tick(program);  // would show a.jpg again, as the last picture
    Tick(program);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, policies, "Wallpaper");
    EXPECT_EQ(ReadDesktopLog(), Applied(pictures_, {"a.jpg"}, 0));
    EXPECT_EQ(Texts(program.Messages().Messages()),
              std::vector<std::string>{"The desktop background is set by your organisation!"});
}

TEST_F(RotationTest, RefusedStartsAreExplainedAndLeaveTheRunningRotationAsItWas)
{
    // Started from elsewhere on a folder given relative to the program's own.
    home_.AddFolder("relimages");
    home_.AddFile("relimages\\1.jpg");
    home_.AddFile("relimages\\2.jpg");
    std::vector<std::string> listed = home_.List("relimages\\*.jpg");
    std::string tooLong = std::string(254 - home_.Path().size(), 'l');  // 255 characters in all
    home_.AddFolder(tooLong);
    pictures_.AddFile("elsewhere.jpg");

    RunningProgram::Options options;
    options.currentFolder = pictures_.Path().c_str();
    RunningProgram program(home_, options);
    ASSERT_TRUE(program.WaitUntilShown());
    ClearDesktopLog();
    Start(program, "relimages");
    Tick(program);

    const struct {
        std::string folder, interval;
        const char *message;
    } refusals[] = {
        {pictures_.PathOf("elsewhere.jpg"), "60", "The path you specified is invalid!"},
        {"CON", "60", "The path you specified is invalid!"},
        {"C:\\NUL", "60", "The path you specified is invalid!"},
        {home_.PathOf(tooLong), "60", "The path you specified is too long!"},
        {pictures_.Path(), "2", "The interval you specified is too small!"},
        {pictures_.Path(), "", "You must specify an interval!"},
        {home_.Path(), "60", "The folder you specified has no .jpg pictures!"},
    };
    for (size_t i = 0; i < std::size(refusals); ++i) {
        SCOPED_TRACE(refusals[i].folder);
        program.Type(program.FolderBox(), refusals[i].folder);
        program.Type(program.IntervalBox(), refusals[i].interval);
        program.Click(IDC_START_ROTATION);
        ASSERT_TRUE(program.Messages().WaitFor(i + 1));
        ShownMessage shown = program.Messages().Messages()[i];
        EXPECT_EQ(shown.text, refusals[i].message);
        EXPECT_EQ(shown.caption, "Error");
        EXPECT_FALSE(shown.hasOwner);
    }
    Tick(program);  // the rotation goes on where it was
    // On the program's drive, its letter in the other case: beside it.
    std::string drive = home_.Path().substr(0, 2);
    drive[0] ^= 'a' ^ 'A';
    Start(program, drive + "relimages");
    Tick(program);
    std::vector<std::string> names = {"relimages\\" + listed[0], "relimages\\" + listed[1], "relimages\\" + listed[0]};
    EXPECT_EQ(ReadDesktopLog(), Applied(home_, names, 0)) << "absolute paths";
}
