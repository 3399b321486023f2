#include "support/desktop_log.h"

#include "support/test_program.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

static std::string g_logPath;

void InstallDesktopStandIn()
{
    std::string dll = TestProgramFolder() + "\\desktop_standin.dll";
    HMODULE standIn = LoadLibraryA(dll.c_str());
    ASSERT_NE(standIn, nullptr) << dll;
    auto registerServer = reinterpret_cast<HRESULT(WINAPI *)()>(
        reinterpret_cast<void *>(GetProcAddress(standIn, "DllRegisterServer")));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK);

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    g_logPath = std::string(temp) + "backdrop-desktop-" + std::to_string(GetCurrentProcessId()) + ".log";
    SetEnvironmentVariableA("BACKDROP_DESKTOP_LOG", g_logPath.c_str());
    ClearDesktopLog();
}

std::vector<std::string> ReadDesktopLog()
{
    std::vector<std::string> lines;
    std::ifstream file(g_logPath);
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

void ClearDesktopLog()
{
    DeleteFileA(g_logPath.c_str());
}
