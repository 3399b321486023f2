#include "program/program_driver.h"
#include "support/registry_backup.h"

#include <gtest/gtest.h>

// A test program stopped half-way (CTest's time limit, Ctrl+C) leaves what it
// changed in the registry; the next one puts it back before it changes
// anything, and again when it ends.
TEST(RegistryBackupTest, WhatAStoppedTestProgramChangedIsPutBackByTheNextOne)
{
    const std::string before = DescribeRegistry();
    // The test programs started here keep their copy in a temporary folder of
    // their own, apart from this one's.
    ScratchFolder temp;
    SetEnvironmentVariableA("TMP", temp.Path().c_str());
    const auto start = [](const char *argument) {
        char self[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string commandLine = "\"" + std::string(self) + "\" " + argument;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(
            CreateProcessA(self, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        return process.hProcess;
    };
    HANDLE stopped = start("--change-registry-and-wait");
    const bool changed = Eventually([&] { return !temp.List("registry changed").empty(); }, 30000);
    TerminateProcess(stopped, 1);
    WaitForSingleObject(stopped, 5000);
    CloseHandle(stopped);
    ASSERT_TRUE(changed);
    ASSERT_NE(DescribeRegistry(), before);

    HANDLE next = start("--gtest_filter=-*");
    DWORD exitCode = 1;
    WaitForSingleObject(next, 60000);
    GetExitCodeProcess(next, &exitCode);
    CloseHandle(next);
    SetEnvironmentVariableA("TMP", nullptr);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(DescribeRegistry(), before);
    EXPECT_EQ(temp.List("*.txt"), std::vector<std::string>{}) << "the copy is deleted once put back";
}
