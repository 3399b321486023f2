#include "program/program_driver.h"
#include "support/file_text.h"
#include "support/registry_backup.h"
#include "support/test_program.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <fstream>

using RegistryBackupTest = ProgramTest;

// The processes of this test program's file, this one left out.
static int OtherTestPrograms()
{
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t *name = wcsrchr(self, L'\\') + 1;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        count += _wcsicmp(entry.szExeFile, name) == 0 && entry.th32ProcessID != GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// A test program stopped half-way (CTest's time limit, Ctrl+C) leaves what it
// changed in the registry, but no process: the test program it started,
// which waits for it meanwhile and changes nothing, goes with it. The next
// one puts the registry back before anything else, every key it can, naming
// those it cannot; where a copy of the program runs, or a wallpaper policy is
// set, it then stops at once, naming it.
TEST_F(RegistryBackupTest, AStoppedTestProgramLeavesNoProcessAndTheNextOnePutsTheRegistryBack)
{
    const std::string before = DescribeRegistry();
    // The test programs started here keep their copy in a temporary folder of
    // their own, apart from this one's, and their output beside it.
    ScratchFolder temp;
    SetEnvironmentVariableA("TMP", temp.Path().c_str());
    const std::string output = temp.PathOf("output.log");
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE outputFile = CreateFileA(output.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const auto start = [&](const char *arguments) {
        char self[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, self, sizeof self);
        PROCESS_INFORMATION started = {};
        EXPECT_TRUE(StartInTestJob(self, arguments, nullptr, started, outputFile));
        CloseHandle(started.hThread);
        return started.hProcess;
    };
    const auto said = [&](const std::string &line) { return FileBytes(output).find(line) != std::string::npos; };
    // This test program holds the machine from its start: the ones it starts take it in turn.
    HANDLE machine = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kOneTestProgramAtATime);
    EXPECT_TRUE(ReleaseMutex(machine));

    HANDLE stopped = start("--change-registry-and-wait");
    const bool waited = Eventually([&] { return said("Another test run is going on this machine"); }, 30000);
    EXPECT_NE(DescribeRegistry(), before);
    TerminateProcess(stopped, 1);
    WaitForSingleObject(stopped, 5000);
    CloseHandle(stopped);
    ASSERT_TRUE(waited);
    // The one waiting went with it, before it could take the machine and put
    // the registry back.
    EXPECT_TRUE(Eventually([] { return OtherTestPrograms() == 0; }));
    EXPECT_NE(DescribeRegistry(), before);

    // Stopped at once, in one line, and with a result of 1.
    const auto stopsSaying = [&](const std::string &line) {
        HANDLE next = start("--gtest_filter=-*");
        WaitForSingleObject(next, 10000);
        DWORD exitCode = 0;
        GetExitCodeProcess(next, &exitCode);
        CloseHandle(next);
        return exitCode == 1 && said(line);
    };
    // A key it cannot put back (here, its access list in the copy is beyond
    // reading) leaves the others put back and the copy kept, for the next
    // test program to try again.
    const std::string copy = temp.PathOf("BackdropCarousel tests' registry.txt"), kept = FileBytes(copy);
    const size_t refused = kept.find(" D:", kept.find("\nkey 1 "));
    std::ofstream(copy, std::ios::binary)
        << kept.substr(0, refused) + " D:(X)" + kept.substr(kept.find(' ', refused + 1));
    EXPECT_TRUE(stopsSaying("Could not put back, and will try again at the next run:")) << FileBytes(output);
    EXPECT_EQ(temp.List("*.txt"), std::vector<std::string>{"BackdropCarousel tests' registry.txt"});
    const std::string now = DescribeRegistry();
    EXPECT_EQ(now.substr(now.find("\nkey 2 ")), before.substr(before.find("\nkey 2 ")));
    std::ofstream(copy, std::ios::binary) << kept;
    {
        RunningProgram running(home_);
        EXPECT_TRUE(stopsSaying("\\BackdropCarousel.exe is running in this session")) << FileBytes(output);
    }
    // Group Policy writes the machine's policies in the 64-bit view.
    HKEY policies = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                  KEY_SET_VALUE | KEY_WOW64_64KEY, &policies);
    RegSetValueExA(policies, "Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE *>(""), 1);
    EXPECT_TRUE(stopsSaying("Group Policy sets the desktop background")) << FileBytes(output);
    RegDeleteValueA(policies, "Wallpaper");
    RegCloseKey(policies);
    CloseHandle(outputFile);
    WaitForSingleObject(machine, INFINITE);
    CloseHandle(machine);
    SetEnvironmentVariableA("TMP", nullptr);
    EXPECT_EQ(DescribeRegistry(), before);
    EXPECT_EQ(temp.List("*.txt"), std::vector<std::string>{}) << "the copy is deleted once put back";
}
