#include "support/backup_privileges.h"
#include "support/desktop_log.h"
#include "support/registry_backup.h"
#include "support/scratch_folder.h"

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

// The test command's check that a whole run leaves the registry as it found
// it: "before" keeps the description in the temporary folder, "after"
// compares the registry with it and shows both where they differ.
std::string TempPathOf(const std::string &name)
{
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    return folder + name;
}

int CheckRunLeavesRegistry(bool before)
{
    const std::string path = TempPathOf("BackdropCarousel tests' registry before the run.txt");
    // A run after one that was stopped half-way starts from the registry as
    // it was before that one.
    const std::string failed = before ? RestoreRegistry() : "";
    if (!failed.empty()) {
        fprintf(stderr, "%s\n", failed.c_str());
        return 1;
    }
    const std::string now = DescribeRegistry();
    if (before) {
        std::ofstream(path, std::ios::binary) << now;
        return 0;
    }
    std::ifstream file(path, std::ios::binary);
    const std::string was{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    printf("%s", now.c_str());
    if (was == now)
        return 0;
    fprintf(stderr, "The registry is not as it was before the tests, which was:\n%s", was.c_str());
    return 1;
}
}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
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
    const std::string mode = argc == 2 ? argv[1] : "";
    if (mode == "--describe-registry")
        return printf("%s", DescribeRegistry().c_str()) < 0;
    if (mode == "--registry-before-run" || mode == "--registry-after-run")
        return CheckRunLeavesRegistry(mode == "--registry-before-run");
    if (!IsOnTheSystemAskedFor())
        return 1;
    KeepTheSystemsCodePageWhereWindowsKeepsIt();
    std::string failed = BackUpRegistry();
    if (failed.empty() && mode == "--change-registry-and-wait") {
        // A test program that its test stops half-way, once it says in the
        // temporary folder that it has changed the registry.
        ChangeRegistry();
        std::ofstream(TempPathOf("registry changed"));
        Sleep(INFINITE);
    }
    if (!failed.empty()) {
        fprintf(stderr, "%s\n", failed.c_str());
        return 1;
    }
    testing::AddGlobalTestEnvironment(new DesktopStandInEnvironment);
    int result = RUN_ALL_TESTS();
    failed = RestoreRegistry();
    if (missing.empty())
        RemoveMachineWideDesktopStandIn();
    if (!failed.empty()) {
        fprintf(stderr, "%s\n", failed.c_str());
        result = 1;
    }
    return result;
}
