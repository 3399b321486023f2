#include "support/desktop_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

static std::string g_logPath;

static std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

void InstallDesktopStandIn()
{
    std::string dll = ProgramFolder() + "\\desktop_standin.dll";
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
