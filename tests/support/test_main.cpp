#include "rotation/wallpaper_policy.h"
#include "support/backup_privileges.h"
#include "support/desktop_log.h"
#include "support/registry_backup.h"
#include "support/scratch_folder.h"
#include "support/test_program.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {
// The exit code of a test that skipped itself (CTest's SKIP_RETURN_CODE).
const int kSkipped = 77;

class DesktopStandInEnvironment : public testing::Environment {
    void SetUp() override { InstallDesktopStandIn(); }
};

// A run in another system code page (BACKDROP_SYSTEM_CODE_PAGE, which
// scripts/wine-run.sh sets) has to prove that it got it before any test runs.
// Wine takes the code page from the Unix locale; without that locale's files
// it still reports the code page but loses the high bit of every non-ASCII
// file name, and the run would test the wrong system.
bool IsOnTheSystemAskedFor()
{
    char wanted[16];
    DWORD length = GetEnvironmentVariableA("BACKDROP_SYSTEM_CODE_PAGE", wanted, sizeof wanted);
    if (length == 0 || length >= sizeof wanted)
        return true;
    // The system's code page, which the test programs' manifest replaces with
    // UTF-8 for their own calls, found as the program finds it.
    WCHAR locale[LOCALE_NAME_MAX_LENGTH] = L"", codePage[8] = L"";
    GetSystemDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
    GetLocaleInfoEx(locale, LOCALE_IDEFAULTANSICODEPAGE, codePage, ARRAYSIZE(codePage));
    if (Utf8(codePage) != wanted) {
        fprintf(stderr, "This run is for the system code page %s, but it has %s.\n", wanted, Utf8(codePage).c_str());
        return false;
    }
    const std::string name = "写真 😀.txt";
    ScratchFolder folder;
    folder.AddFile(name);
    if (folder.List("*.txt") != std::vector<std::string>{name}) {
        fprintf(stderr, "A file named in Chinese does not come back whole: the Unix locale is missing.\n");
        return false;
    }
    return true;
}

// Wine writes the code page of the first program to start in a new locale as
// the system's, the one earlier versions wrote in (Nls\CodePage\ACP), and
// under the test programs' manifest that is UTF-8. Windows keeps the system's
// own there, as the locale gives it.
void KeepTheSystemsCodePageWhereWindowsKeepsIt()
{
    WCHAR locale[LOCALE_NAME_MAX_LENGTH] = L"", codePage[8] = L"";
    GetSystemDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
    int length = GetLocaleInfoEx(locale, LOCALE_IDEFAULTANSICODEPAGE, codePage, ARRAYSIZE(codePage));
    if (GetProcAddress(GetModuleHandleA("ntdll"), "wine_get_version") && length > 0)
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", L"ACP", REG_SZ,
                        codePage, static_cast<DWORD>(length * sizeof(WCHAR)));
}

// One test program at a time on a machine. The mutex is in the global
// namespace, so that a run in another session (another user, a remote
// desktop) waits too, and it is held until this process ends; a stopped test
// program's is abandoned, which the next one takes. Waiting needs only
// SYNCHRONIZE, which a mutex made by another account may still refuse: then
// the next try comes a moment later.
// https://learn.microsoft.com/windows/win32/termserv/kernel-object-namespaces
void WaitForTheMachine()
{
    for (bool told = false;; Sleep(500)) {
        HANDLE run = CreateMutexExA(nullptr, kOneTestProgramAtATime, 0, SYNCHRONIZE);
        const DWORD waited = run ? WaitForSingleObject(run, told ? INFINITE : 0) : WAIT_FAILED;
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            return;
        if (run)
            CloseHandle(run);
        if (!told)
            fprintf(stderr, "Another test run is going on this machine: this one waits for it to end.\n");
        told = true;
    }
}

std::string TempPathOf(const std::string &name)
{
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    return folder + name;
}

// What the run would do to the machine it is on that it could not put back,
// in one line; empty when nothing. A copy of the program running in this
// session holds the program's single-instance mutex, so every copy the tests
// start would give way to it; a wallpaper policy that Group Policy set would
// be changed by the tests that set their own, and may be written back by
// Group Policy's refresh in the middle of a test.
std::string HarmTheRunWouldDo()
{
    const std::string elsewhere = " Run the tests in Windows Sandbox or a virtual machine.";
    HANDLE running = OpenMutexA(SYNCHRONIZE, FALSE, "Local\\BackdropCarousel");
    if (running || GetLastError() == ERROR_ACCESS_DENIED) {
        if (running)
            CloseHandle(running);
        // Named by its window's process, which an elevated copy also lets us query.
        DWORD processId = 0;
        GetWindowThreadProcessId(FindWindowA("wcBackdropCarousel", nullptr), &processId);
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
        char path[MAX_PATH] = "BackdropCarousel";
        DWORD length = sizeof path;
        if (process) {
            QueryFullProcessImageNameA(process, 0, path, &length);
            CloseHandle(process);
        }
        return std::string(path) + " is running in this session: quit it first, or the tests' copies give way to it." +
               elsewhere;
    }
    if (IsWallpaperSetByPolicy())
        return "Group Policy sets the desktop background here (Desktop Wallpaper, or Prevent changing desktop "
               "background), and the tests would change it." +
               elsewhere;
    return "";
}

// The files and folders in the temporary folder whose names are the
// program's or the tests', with each file's size and time of writing: the
// user's own (the originals the program keeps there) stay as they are, and
// the tests leave none of theirs.
std::string DescribeOurTemporaryFiles()
{
    std::string text;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(TempPathOf("*backdrop*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return text;
    do {
        const ULARGE_INTEGER written = {{entry.ftLastWriteTime.dwLowDateTime, entry.ftLastWriteTime.dwHighDateTime}};
        text += std::string("temporary ") + entry.cFileName +
                (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY
                     ? " (a folder)\n"
                     : ": " + std::to_string(entry.nFileSizeLow) + " bytes, written " +
                           std::to_string(written.QuadPart) + "\n");
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return text;
}

// The test command's check that a whole run leaves the registry and the
// temporary folder as it found them: "before" keeps their description in the
// file named (in the build folder, one for each machine), "after" compares
// them with it and shows both where they differ.
int CheckRunLeavesRegistry(bool before, const std::string &path)
{
    const std::string now = DescribeRegistry() + DescribeOurTemporaryFiles();
    if (before) {
        std::ofstream(path, std::ios::binary) << now;
        return 0;
    }
    std::ifstream file(path, std::ios::binary);
    const std::string was{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    printf("%s", now.c_str());
    if (was == now)
        return 0;
    fprintf(stderr, "The registry or the temporary folder is not as it was before the tests, which was:\n%s",
            was.c_str());
    return 1;
}
}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    const std::string mode = argc >= 2 ? argv[1] : "", description = argc == 3 ? argv[2] : "";
    // A test program that a test starts only to read the registry runs while
    // that test's own program holds the machine.
    if (mode != "--describe-registry")
        WaitForTheMachine();
    // The tests that change the machine-wide keys (CTest's label
    // machine-wide, which also sets BACKDROP_MACHINE_WIDE) skip themselves
    // without elevation, in one line, before they change anything.
    const std::string missing = MissingRights();
    if (!missing.empty() && GetEnvironmentVariableA("BACKDROP_MACHINE_WIDE", nullptr, 0)) {
        printf("%s\n", missing.c_str());
        return kSkipped;
    }
    // The registration the stand-in replaces belongs to TrustedInstaller.
    EnableBackupAndRestore();
    if (mode == "--describe-registry")
        return printf("%s", DescribeRegistry().c_str()) < 0;
    // Every file the tests and the programs they start make in the temporary
    // folder goes into one of this test program's own, and goes with it. Its
    // name is fixed, as one test program runs at a time: the next one, and
    // the check after the run, remove what one stopped half-way left there
    // (or, under Wine, a folder that the program that just ended was still
    // in). It has no space, as the scenarios expect of the temporary folder.
    const std::string temp = TempPathOf("BackdropCarousel-tests");
    RemoveFileOrFolder(temp);
    if (mode == "--registry-after-run")
        return CheckRunLeavesRegistry(false, description);
    // A test program stopped half-way leaves its changes, a wallpaper policy
    // among them, and its copy of the registry as it was in the temporary
    // folder: they go back before anything else. The copy stays there, where
    // the next test program looks for it.
    std::string failed = RestoreRegistry();
    if (failed.empty())
        failed = HarmTheRunWouldDo();
    if (!failed.empty()) {
        fprintf(stderr, "%s\n", failed.c_str());
        return 1;
    }
    if (mode == "--registry-before-run")
        return CheckRunLeavesRegistry(true, description);
    int result = 1;
    failed = BackUpRegistry();
    if (failed.empty() && mode == "--change-registry-and-wait") {
        // A test program that its test stops half-way, once it has changed the
        // registry and started another test program, which waits for this one
        // to end, its copy of the registry in the same place.
        ChangeRegistry();
        char self[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, self, sizeof self);
        PROCESS_INFORMATION next;
        StartInTestJob(self, "--gtest_filter=-*", nullptr, next, GetStdHandle(STD_ERROR_HANDLE));
        Sleep(INFINITE);
    }
    if (failed.empty()) {
        CreateDirectoryA(temp.c_str(), nullptr);
        SetEnvironmentVariableA("TMP", temp.c_str());
        SetEnvironmentVariableA("TEMP", temp.c_str());
        if (IsOnTheSystemAskedFor()) {
            KeepTheSystemsCodePageWhereWindowsKeepsIt();
            testing::AddGlobalTestEnvironment(new DesktopStandInEnvironment);
            result = RUN_ALL_TESTS();
        }
        failed = RestoreRegistry();
        if (missing.empty())
            RemoveMachineWideDesktopStandIn();
    }
    if (!failed.empty()) {
        fprintf(stderr, "%s\n", failed.c_str());
        result = 1;
    }
    RemoveFileOrFolder(temp);
    return result;
}
