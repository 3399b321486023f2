#include "program/program_driver.h"

#include "support/process_handles.h"
#include "support/test_program.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

// The process's window of that class, if it is visible or visibility does not matter.
static HWND FindClassWindow(DWORD processId, const char *className, bool visibleOnly = false)
{
    return FindProcessWindow(processId, [&](HWND window) {
        char name[64];
        return GetClassNameA(window, name, sizeof name) && strcmp(name, className) == 0 &&
               (!visibleOnly || IsWindowVisible(window));
    });
}

// Replaces the program's manifest with one that asks for nothing but to run as invoker.
static void LeaveCodePageToSystem(const std::string &program)
{
    static const char manifest[] =
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"><trustInfo "
        "xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges><requestedExecutionLevel "
        "level=\"asInvoker\" uiAccess=\"false\"/></requestedPrivileges></security></trustInfo></assembly>";
    HANDLE update = BeginUpdateResourceA(program.c_str(), FALSE);
    bool replaced = update && UpdateResourceA(update, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1),
                                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                              const_cast<char *>(manifest), sizeof manifest - 1);
    if (!update || !EndUpdateResourceA(update, !replaced) || !replaced)
        ADD_FAILURE() << "cannot replace the manifest of " << program;
}

RunningProgram::RunningProgram(const ScratchFolder &home, Options options)
{
    std::string program = home.PathOf("BackdropCarousel.exe");
    if (!CopyFileA((TestProgramFolder() + "\\BackdropCarousel.exe").c_str(), program.c_str(), FALSE))
        ADD_FAILURE() << "cannot copy the program to " << program;
    if (options.legacyCodePage)
        LeaveCodePageToSystem(program);
    if (options.settings)
        home.AddFile("settings.ini", options.settings);

    if (!StartInTestJob(program, "", options.currentFolder ? options.currentFolder : home.Path().c_str(), process_)) {
        ADD_FAILURE() << "cannot start " << program << " in the test program's job";
        return;
    }
    messages_ = std::make_unique<MessageBoxWatcher>(process_.dwProcessId, std::move(options.observer));
    if (!options.showsWindow)
        return;
    Eventually([this] { return (window_ = FindClassWindow(ProcessId(), "wcBackdropCarousel")) != nullptr; }, 15000);
    if (!window_)
        ADD_FAILURE() << "the program's window did not appear";
}

RunningProgram::~RunningProgram()
{
    if (!process_.hProcess)
        return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    messages_.reset();
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool RunningProgram::WaitUntilShown(DWORD timeoutMillis) const
{
    return Eventually([this] { return IsWindowVisible(window_) != FALSE; }, timeoutMillis);
}

void RunningProgram::Sync() const
{
    DWORD_PTR result;
    SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
}

std::vector<HWND> RunningProgram::Controls() const
{
    std::vector<HWND> controls;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    return controls;
}

std::string RunningProgram::Text(HWND control)
{
    char text[1024] = "";
    SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

void RunningProgram::Type(HWND box, const std::string &text) const
{
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RunningProgram::Click(int id) const
{
    // Returns once the click is handled, also when it opened a message box:
    // the watcher answers that.
    SendMessageA(Control(id), BM_CLICK, 0, 0);
}

void RunningProgram::Select(int comboId, int index) const
{
    // What picking an item from the list does: select it, then tell the window.
    HWND combo = Control(comboId);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int RunningProgram::Selection(int comboId) const
{
    return static_cast<int>(SendMessageA(Control(comboId), CB_GETCURSEL, 0, 0));
}

bool RunningProgram::Checked(int id) const
{
    return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void RunningProgram::Tray(UINT mouseMessage) const
{
    SendMessageA(window_, WM_TRAYICON, ID_TRAY_ICON, mouseMessage);
}

NOTIFYICONDATAA TrayIconOf(HWND window)
{
    NOTIFYICONDATAA icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = ID_TRAY_ICON;
    return icon;
}

bool RunningProgram::TrayIconPresent() const
{
    // The shell accepts a change only for an icon it holds.
    NOTIFYICONDATAA icon = TrayIconOf(window_);
    return Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE;
}

HWND RunningProgram::OpenTrayMenu() const
{
    // Under Wine a window manager may give the focus to the tray's own window
    // a moment after the program's window hides, which closes a menu opened
    // meanwhile: the user clicks again.
    HWND menu = nullptr;
    auto inFront = [&] {
        return (menu = FindClassWindow(ProcessId(), "#32768", true)) != nullptr && GetForegroundWindow() == window_;
    };
    for (int click = 0; click < 3; ++click) {
        PostMessageA(window_, WM_TRAYICON, ID_TRAY_ICON, WM_RBUTTONDOWN);
        if (Eventually(inFront, 2000))
            return menu;
    }
    return nullptr;
}

void RunningProgram::ChooseTrayItem(int position) const
{
    HWND menu = OpenTrayMenu();
    if (!menu) {
        ADD_FAILURE() << "the tray menu did not open with the window in front";
        return;
    }
    // The keyboard walks the open menu from its first item.
    for (int i = 0; i <= position; ++i)
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    // The choice is posted to the window before the menu closes.
    if (!Eventually([&] { return !IsWindowVisible(menu); }))
        ADD_FAILURE() << "the tray menu did not close";
}

ULONG RunningProgram::Handles() const
{
    ULONG count = 0;
    EXPECT_TRUE(CountProcessHandles(process_.hProcess, ProcessId(), count));
    return count;
}

DWORD RunningProgram::WaitForExit(DWORD timeoutMillis) const
{
    WaitForSingleObject(process_.hProcess, timeoutMillis);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}
