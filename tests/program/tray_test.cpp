#include "program/program_driver.h"
#include "support/desktop_log.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using TrayTest = ProgramTest;

namespace {
// A taskbar still starting at log-on: a window of the shell's tray class,
// found before the real one, that refuses every icon. It answers on a thread
// of its own while the test waits; once it is gone the real one is found.
std::atomic<int> g_refusedIcons;
std::atomic<DWORD> g_lastRefusal;  // its tick count

LRESULT CALLBACK UnreadyTaskbar(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA)
        return g_lastRefusal = GetTickCount(), ++g_refusedIcons, FALSE;
    return DefWindowProcA(window, message, wParam, lParam);
}

std::thread RunUnreadyTaskbar(std::atomic<DWORD> &threadId)
{
    return std::thread([&threadId] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = UnreadyTaskbar;
        windowClass.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&windowClass);
        HWND window = CreateWindowExA(WS_EX_TOPMOST, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      nullptr, nullptr);
        threadId = GetCurrentThreadId();
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
        DestroyWindow(window);
        UnregisterClassA("Shell_TrayWnd", nullptr);
    });
}
}  // namespace

TEST_F(TrayTest, CloseHidesAndDoubleClickShowsAgain)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    HWND window = program.Window();
    RECT before;
    GetWindowRect(window, &before);

    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(program.TrayIconPresent());
    EXPECT_EQ(program.WaitForExit(300), static_cast<DWORD>(STILL_ACTIVE));

    for (UINT nothing : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP, WM_MOUSEMOVE})
        program.Tray(nothing);
    EXPECT_FALSE(IsWindowVisible(window)) << "only a double click shows the window";

    program.Tray(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(window));
    program.Tray(WM_LBUTTONDBLCLK);
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(TrayTest, ExitFromTheMenuRemovesTheIconAndShutsDown)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    ASSERT_TRUE(program.TrayIconPresent());

    program.ChooseTrayItem(1);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_FALSE(program.TrayIconPresent());
    std::vector<std::string> log = ReadDesktopLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Release 0") << "the Active Desktop object is released at shutdown";
}

TEST_F(TrayTest, AnInstallerOrTheEndOfTheSessionEndsItAsExitDoes)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    EXPECT_EQ(SendMessageA(program.Window(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
    SendMessageA(program.Window(), WM_ENDSESSION, FALSE, ENDSESSION_CLOSEAPP);  // another program said no
    EXPECT_TRUE(program.TrayIconPresent());
    SendMessageA(program.Window(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_FALSE(program.TrayIconPresent()) << "gone before Windows may end the process";
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_EQ(ReadDesktopLog().back(), "Release 0") << "the services released";
}

TEST_F(TrayTest, MenuOpensWithTheWindowInFrontAndStartsRotation)
{
    ScratchFolder pictures;
    pictures.AddFile("first.jpg");
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Type(program.FolderBox(), pictures.Path());
    program.Type(program.IntervalBox(), "3");
    SendMessageA(program.Window(), WM_CLOSE, 0, 0);

    // The menu closes again when the user clicks elsewhere only if its
    // window was brought to the front first.
    HWND menu = program.OpenTrayMenu();
    ASSERT_NE(menu, nullptr);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindowVisible(menu); }));

    ClearDesktopLog();
    program.ChooseTrayItem(0);
    PostMessageA(program.Window(), WM_TIMER, 4000, 0);
    EXPECT_TRUE(Eventually([] { return ReadDesktopLog().size() >= 3; }));
    EXPECT_EQ(ReadDesktopLog(), (std::vector<std::string>{"SetWallpaper " + pictures.PathOf("first.jpg") + " 0",
                                                          "SetWallpaperOptions 8 0 0", "ApplyChanges 15"}));
    EXPECT_TRUE(program.Messages().Messages().empty());
}

TEST_F(TrayTest, IconComesBackWhenTheShellRestartsOrTheProgramEndsAsAFailedStart)
{
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    NOTIFYICONDATAA icon = TrayIconOf(program.Window());
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &icon));  // as a restarted shell has forgotten it
    ASSERT_FALSE(program.TrayIconPresent());

    SendMessageA(program.Window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(program.TrayIconPresent());
    // A shell that kept the icon refuses to add it again: it is kept as it is.
    SendMessageA(program.Window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    for (int tick = 0; tick <= 30; ++tick)
        SendMessageA(program.Window(), WM_TIMER, IDT_TRAY_RETRY, 0);
    EXPECT_EQ(program.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE)) << "no retries to give up";

    // A shell that announces itself before it takes icons: the add is
    // retried as at start-up, and when the retries give up the program ends.
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &icon));
    std::atomic<DWORD> taskbar{0};
    std::thread taskbarThread = RunUnreadyTaskbar(taskbar);
    ASSERT_TRUE(Eventually([&] { return taskbar != 0; }));
    g_refusedIcons = 0;
    SendMessageA(program.Window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    int refusedPerTry = g_refusedIcons;
    EXPECT_GT(refusedPerTry, 0);
    for (int tick = 0; tick < 100 && program.WaitForExit(0) == STILL_ACTIVE; ++tick)
        SendMessageA(program.Window(), WM_TIMER, IDT_TRAY_RETRY, 0);
    EXPECT_EQ(program.WaitForExit(), 1u);
    EXPECT_EQ(g_refusedIcons, 31 * refusedPerTry + 1) << "the first try, 30 more (a minute), the removal at exit";
    EXPECT_EQ(Texts(program.Messages().Messages()), std::vector<std::string>{"Failed to create system tray icon!"});
    EXPECT_EQ(ReadDesktopLog().back(), "Release 0") << "the window destroyed and the services released";
    PostThreadMessageA(taskbar, WM_QUIT, 0, 0);
    taskbarThread.join();
}

TEST_F(TrayTest, ASecondStartShowsTheRunningWindowInFrontAndEnds)
{
    RunningProgram first(home_);
    ASSERT_TRUE(first.WaitUntilShown());
    SendMessageA(first.Window(), WM_CLOSE, 0, 0);

    ScratchFolder elsewhere;
    RunningProgram::Options options;
    options.showsWindow = false;
    RunningProgram second(elsewhere, options);
    EXPECT_EQ(second.WaitForExit(), 0u);
    // Asked with a posted message, which a copy run as administrator lets in.
    EXPECT_TRUE(Eventually([&] { return IsWindowVisible(first.Window()) && GetForegroundWindow() == first.Window(); }));
    // The second start made no Active Desktop object: it never started up.
    std::vector<std::string> log = ReadDesktopLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "create"), 1);
    EXPECT_EQ(elsewhere.List("*"), (std::vector<std::string>{".", "..", "BackdropCarousel.exe"}));
}

TEST_F(TrayTest, ASecondStartWaitsSecondsForTheWindowOfACopyStillStarting)
{
    // The first copy has its mutex, and its window only two seconds later.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Local\\BackdropCarousel");
    RunningProgram::Options options;
    options.showsWindow = false;
    RunningProgram second(home_, options);
    Sleep(2000);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "wcBackdropCarousel";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("wcBackdropCarousel", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(second.WaitForExit(), 0u);
    const UINT showWindow = RegisterWindowMessageA(kShowWindowMessageName);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, window, showWindow, showWindow, PM_REMOVE)) << "asked for it";
    DestroyWindow(window);
    UnregisterClassA("wcBackdropCarousel", nullptr);
    CloseHandle(mutex);
}

TEST_F(TrayTest, IconIsAddedOnceTheTaskbarIsReady)
{
    for (bool announced : {true, false}) {
        SCOPED_TRACE(announced ? "the taskbar announces itself" : "the next attempt finds it");
        ScratchFolder home;
        std::atomic<DWORD> taskbar{0};
        std::thread taskbarThread = RunUnreadyTaskbar(taskbar);
        ASSERT_TRUE(Eventually([&] { return taskbar != 0; }));
        g_refusedIcons = 0;
        RunningProgram program(home);
        ASSERT_TRUE(program.WaitUntilShown());
        int refused = g_refusedIcons;
        DWORD firstTry = g_lastRefusal;
        EXPECT_GT(refused, 0);
        EXPECT_TRUE(Eventually([&] { return g_refusedIcons > refused; })) << "the program tries again";
        EXPECT_GE(g_lastRefusal - firstTry, 1500u) << "after the two seconds between tries";
        EXPECT_TRUE(program.Messages().Messages().empty());

        PostThreadMessageA(taskbar, WM_QUIT, 0, 0);
        taskbarThread.join();
        if (announced)
            SendMessageA(program.Window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        EXPECT_TRUE(announced ? program.TrayIconPresent() : Eventually([&] { return program.TrayIconPresent(); }));
        EXPECT_EQ(program.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
    }
}

TEST_F(TrayTest, ACopyRunningAsAdministratorCountsAsTheRunningOne)
{
    // Such a copy's mutex is refused to one with lesser rights, not shared.
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;GA;;;WD)", SDDL_REVISION_1,
                                                         &attributes.lpSecurityDescriptor, nullptr);
    HANDLE mutex = CreateMutexA(&attributes, FALSE, "Local\\BackdropCarousel");
    LocalFree(attributes.lpSecurityDescriptor);
    ASSERT_NE(mutex, nullptr);

    RunningProgram::Options options;
    options.showsWindow = false;
    RunningProgram second(home_, options);
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(ReadDesktopLog().empty()) << "it never started up";
    CloseHandle(mutex);
}
