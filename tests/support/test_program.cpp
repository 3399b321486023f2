#include "support/test_program.h"

#include <cstdio>

std::string TestProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

bool StartInTestJob(const std::string &program, const std::string &arguments, const char *folder,
                    PROCESS_INFORMATION &started, HANDLE output)
{
    // The job ends every process in it when its last handle closes: this one,
    // never closed here, which the system closes as this process ends. Each
    // process goes into it by hand, as a job this test program runs in (a
    // test runner's, an IDE's) may let children break away from it silently:
    // https://learn.microsoft.com/windows/win32/procthread/job-objects
    static const HANDLE job = [] {
        HANDLE created = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return created;
    }();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (output) {
        SetHandleInformation(output, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output;
    }
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    // Suspended until it is in the job, so that nothing it starts escapes.
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, output != nullptr, CREATE_SUSPENDED,
                        nullptr, folder, &startup, &started))
        return false;
    if (AssignProcessToJobObject(job, started.hProcess) && ResumeThread(started.hThread) != static_cast<DWORD>(-1))
        return true;
    TerminateProcess(started.hProcess, 1);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    started = {};
    return false;
}

std::string OutputOfThisTestProgram(const std::string &argument)
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    // Started in the job as every other process a test starts, its output
    // read through a pipe until it ends.
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE reading = nullptr, writing = nullptr;
    PROCESS_INFORMATION started = {};
    std::string output;
    if (!CreatePipe(&reading, &writing, &inherited, 0))
        return output;
    SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
    const bool running = StartInTestJob(self, argument, nullptr, started, writing);
    CloseHandle(writing);
    char buffer[4096];
    DWORD read = 0;
    while (running && ReadFile(reading, buffer, sizeof buffer, &read, nullptr) && read > 0)
        output.append(buffer, read);
    CloseHandle(reading);
    if (running) {
        WaitForSingleObject(started.hProcess, INFINITE);
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    return output;
}

namespace {
struct WindowSearch {
    DWORD processId;
    const std::function<bool(HWND)> &match;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM parameter)
{
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && search->match(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)> &match)
{
    WindowSearch search = {processId, match, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
