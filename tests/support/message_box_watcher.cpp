#include "support/message_box_watcher.h"

#include "support/test_program.h"

#include <cstring>

// A message box is a dialog with its text in a static control of id 0xFFFF;
// the folder picker, also a dialog, has a folder tree instead.
static bool IsMessageBox(HWND window)
{
    char className[16];
    return GetClassNameA(window, className, sizeof className) && strcmp(className, "#32770") == 0 &&
           GetDlgItem(window, 0xFFFF) && !FindWindowExA(window, nullptr, "SysTreeView32", nullptr);
}

MessageBoxWatcher::MessageBoxWatcher(DWORD processId, Observer observer)
    : processId_(processId), observer_(std::move(observer)), thread_([this] { Watch(); })
{
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    stop_ = true;
    thread_.join();
}

void MessageBoxWatcher::Watch()
{
    HWND answered = nullptr;
    while (!stop_) {
        HWND found = FindProcessWindow(processId_,
                                       [](HWND window) { return IsWindowVisible(window) && IsMessageBox(window); });
        if (found && found != answered) {
            char caption[256] = "", text[1024] = "";
            GetWindowTextA(found, caption, sizeof caption);
            GetDlgItemTextA(found, 0xFFFF, text, sizeof text);
            ShownMessage message = {caption, text, GetWindow(found, GW_OWNER) != nullptr};
            if (observer_)
                observer_(message);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                messages_.push_back(message);
            }
            PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(found, IDOK)));
            answered = found;
        }
        Sleep(20);
    }
}

std::vector<ShownMessage> MessageBoxWatcher::Messages()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

bool MessageBoxWatcher::WaitFor(size_t count, DWORD timeoutMillis)
{
    for (DWORD waited = 0; waited <= timeoutMillis; waited += 20) {
        if (Messages().size() >= count)
            return true;
        Sleep(20);
    }
    return false;
}

void MessageBoxWatcher::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.clear();
}

std::vector<std::string> Texts(const std::vector<ShownMessage> &messages)
{
    std::vector<std::string> texts;
    for (const ShownMessage &message : messages)
        texts.push_back(message.text);
    return texts;
}
