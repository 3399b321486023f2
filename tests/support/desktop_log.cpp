#include "support/desktop_log.h"

#include "support/registry_backup.h"
#include "support/scratch_folder.h"
#include "support/test_program.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>

static std::string g_logPath;

// Elevated, COM reads only the machine-wide registration, which processes of
// every user load: that stand-in is a copy in a folder of Program Files,
// which only administrators may write. Otherwise the user's registration
// comes first, and the stand-in beside the tests serves:
// https://learn.microsoft.com/windows/win32/sysinfo/merged-view-of-hkey-classes-root
// https://learn.microsoft.com/windows/win32/sysinfo/hkey-classes-root-key
// Under Wine, whose COM reads only the machine-wide registration, the tests
// are always elevated.
static std::wstring MachineWideStandInFolder()
{
    wchar_t *programs = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &programs)))
        folder = std::wstring(programs) + L"\\BackdropCarousel tests' desktop stand-in";
    CoTaskMemFree(programs);
    return folder;
}

void InstallDesktopStandIn()
{
    const bool machineWide = MissingRights().empty();
    std::wstring dll = Utf16(TestProgramFolder()) + L"\\desktop_standin.dll";
    if (machineWide) {
        const std::wstring folder = MachineWideStandInFolder(), copy = folder + L"\\desktop_standin.dll";
        CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(dll.c_str(), copy.c_str(), FALSE)) << Utf8(copy);
        dll = copy;
    }
    HMODULE standIn = LoadLibraryW(dll.c_str());
    ASSERT_NE(standIn, nullptr) << Utf8(dll);
    auto install = reinterpret_cast<HRESULT(WINAPI *)(BOOL, PCWSTR)>(
        reinterpret_cast<void *>(GetProcAddress(standIn, "DllInstall")));
    const HRESULT registered = install ? install(TRUE, machineWide ? L"machine" : L"user") : E_NOTIMPL;
    FreeLibrary(standIn);
    ASSERT_EQ(registered, S_OK);

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

void RemoveMachineWideDesktopStandIn()
{
    // Where this process still has it loaded, Windows deletes it at the next
    // start: https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-movefileexw
    const std::wstring folder = MachineWideStandInFolder(), copy = folder + L"\\desktop_standin.dll";
    if (GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES && !DeleteFileW(copy.c_str()))
        MoveFileExW(copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (!RemoveDirectoryW(folder.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
