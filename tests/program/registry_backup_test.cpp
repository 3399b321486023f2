#include "program/program_driver.h"
#include "support/file_text.h"
#include "support/registry_backup.h"

#include <gtest/gtest.h>

#include <fstream>

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

    const auto finish = [&](DWORD expected) {
        HANDLE next = start("--gtest_filter=-*");
        DWORD exitCode = 1;
        WaitForSingleObject(next, 60000);
        GetExitCodeProcess(next, &exitCode);
        CloseHandle(next);
        EXPECT_EQ(exitCode, expected);
    };
    // A key it cannot put back (here, its access list in the copy is beyond
    // reading) leaves the others put back and the copy kept, for the next
    // test program to try again.
    const std::string copy = temp.PathOf("BackdropCarousel tests' registry.txt"), kept = FileBytes(copy);
    const size_t refused = kept.find(" D:", kept.find("\nkey 1 "));
    std::ofstream(copy, std::ios::binary)
        << kept.substr(0, refused) + " D:(X)" + kept.substr(kept.find(' ', refused + 1));
    finish(1);
    EXPECT_EQ(temp.List("*.txt"), std::vector<std::string>{"BackdropCarousel tests' registry.txt"});
    const std::string now = DescribeRegistry();
    EXPECT_EQ(now.substr(now.find("\nkey 2 ")), before.substr(before.find("\nkey 2 ")));
    std::ofstream(copy, std::ios::binary) << kept;
    finish(0);
    SetEnvironmentVariableA("TMP", nullptr);
    EXPECT_EQ(DescribeRegistry(), before);
    EXPECT_EQ(temp.List("*.txt"), std::vector<std::string>{}) << "the copy is deleted once put back";
}
