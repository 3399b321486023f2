// Starts the built program in a folder of its own and acts on it only as a
// user or the system could: messages to its window and controls, its
// settings file, the registry, and the Active Desktop stand-in's record.
#pragma once

#include "support/desktop_log.h"
#include "support/message_box_watcher.h"
#include "support/scratch_folder.h"
#include "ui/ids.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

class RunningProgram {
public:
    struct Options {
        const char *settings = nullptr;  // settings.ini to put beside the program, if any
        MessageBoxWatcher::Observer observer;
        const char *currentFolder = nullptr;  // the program's own folder when not given
        bool showsWindow = true;              // false: a start that is to end without a window
        // A copy whose manifest leaves the code page to the system (1252 here),
        // as Windows before 10 version 1903 does.
        bool legacyCodePage = false;
    };

    explicit RunningProgram(const ScratchFolder &home) : RunningProgram(home, Options()) {}
    RunningProgram(const ScratchFolder &home, Options options);
    ~RunningProgram();
    RunningProgram(const RunningProgram &) = delete;
    RunningProgram &operator=(const RunningProgram &) = delete;

    HWND Window() const { return window_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    MessageBoxWatcher &Messages() { return *messages_; }

    bool WaitUntilShown(DWORD timeoutMillis = 10000) const;
    // Returns once the program has handled everything sent to it before;
    // messages posted to it may still be waiting.
    void Sync() const;

    // The window's direct children, in the order they were created.
    std::vector<HWND> Controls() const;
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    // The boxes have no id: the folder box is the window's first edit box.
    HWND FolderBox() const { return FindWindowExA(window_, nullptr, "Edit", nullptr); }
    HWND IntervalBox() const { return FindWindowExA(window_, FolderBox(), "Edit", nullptr); }

    static std::string Text(HWND control);
    void Type(HWND box, const std::string &text) const;
    void Click(int id) const;
    void Select(int comboId, int index) const;
    int Selection(int comboId) const;
    bool Checked(int id) const;

    // A mouse message from the tray icon; not the right button, which opens the menu.
    void Tray(UINT mouseMessage) const;
    bool TrayIconPresent() const;
    // Opens the tray menu with the right button, the window brought to the
    // front; null when it does not open so.
    HWND OpenTrayMenu() const;
    // Opens the tray menu with the right button and picks the item at
    // position. The choice reaches the program as a posted message: a message
    // posted after it is handled after it.
    void ChooseTrayItem(int position) const;

    // The kernel handles the program holds.
    ULONG Handles() const;

    // The exit code, or STILL_ACTIVE when the program has not ended in time.
    DWORD WaitForExit(DWORD timeoutMillis = 10000) const;

private:
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
    std::unique_ptr<MessageBoxWatcher> messages_;
};

// Starts with the given settings.ini text, which must outlive the start.
inline RunningProgram::Options WithSettings(const std::string &settings)
{
    RunningProgram::Options options;
    options.settings = settings.c_str();
    return options;
}

// The shell's key to the program's tray icon.
NOTIFYICONDATAA TrayIconOf(HWND window);

// Waits until condition() holds, polling; returns its last value.
template <typename Condition>
bool Eventually(Condition condition, DWORD timeoutMillis = 5000)
{
    for (DWORD waited = 0; waited < timeoutMillis; waited += 20) {
        if (condition())
            return true;
        Sleep(20);
    }
    return condition();
}

// A scenario's own folder for the program, and an empty Active Desktop record.
class ProgramTest : public testing::Test {
protected:
    void SetUp() override { ClearDesktopLog(); }
    ScratchFolder home_;
};
