#include "support/desktop_log.h"
#include "support/scratch_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
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
}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Failing before the tests: a failure in a test environment would show
    // every test as skipped.
    if (!GTEST_FLAG_GET(list_tests) && !IsOnTheSystemAskedFor())
        return 1;
    KeepTheSystemsCodePageWhereWindowsKeepsIt();
    testing::AddGlobalTestEnvironment(new DesktopStandInEnvironment);
    return RUN_ALL_TESTS();
}
