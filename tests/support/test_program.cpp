#include "support/test_program.h"

#include <cstdio>

std::string TestProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string OutputOfThisTestProgram(const std::string &argument)
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    // The command processor takes the outer quotes off the line.
    FILE *pipe = _popen(("\"\"" + std::string(self) + "\" " + argument + "\"").c_str(), "rb");
    std::string output;
    for (int c; pipe && (c = fgetc(pipe)) != EOF;)
        output += static_cast<char>(c);
    if (pipe)
        _pclose(pipe);
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
