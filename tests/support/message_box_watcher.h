// Finds the message boxes a process shows, notes what they say and presses
// their OK button, as a user would. Runs on its own thread so that it also
// answers boxes shown modally on the test's own thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ShownMessage {
    std::string caption;
    std::string text;
    bool hasOwner;
};

class MessageBoxWatcher {
public:
    // Called on the watcher's thread while the box is still open.
    using Observer = std::function<void(const ShownMessage &)>;

    explicit MessageBoxWatcher(DWORD processId = GetCurrentProcessId(), Observer observer = nullptr);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher &) = delete;
    MessageBoxWatcher &operator=(const MessageBoxWatcher &) = delete;

    std::vector<ShownMessage> Messages();
    // Waits until at least count boxes have been answered.
    bool WaitFor(size_t count, DWORD timeoutMillis = 10000);
    void Clear();

private:
    void Watch();

    DWORD processId_;
    Observer observer_;
    std::mutex mutex_;
    std::vector<ShownMessage> messages_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The texts of the messages, in the order they appeared.
std::vector<std::string> Texts(const std::vector<ShownMessage> &messages);
