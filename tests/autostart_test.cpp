#include "settings/autostart.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string StoredValue()
{
    char data[1024] = "";
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kRunKey, "BackdropCarousel", RRF_RT_ANY, &type, data, &size) !=
        ERROR_SUCCESS)
        return "(none)";
    return (type == REG_SZ ? "" : "(not REG_SZ) ") + std::string(data, size - 1) +
           (data[size - 1] == '\0' ? "" : "(unterminated)");
}

std::string ThisProgram()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

class AutostartTest : public testing::Test {
protected:
    void SetUp() override { UnregisterAutostart(); }
    void TearDown() override { UnregisterAutostart(); }
};
}  // namespace

TEST_F(AutostartTest, RegistersDetectsAndUnregistersTheBarePath)
{
    EXPECT_FALSE(IsAutostartRegistered());
    RegisterAutostart();
    EXPECT_TRUE(IsAutostartRegistered());
    EXPECT_EQ(StoredValue(), ThisProgram()) << "no quotation marks, no arguments";
    UnregisterAutostart();
    EXPECT_FALSE(IsAutostartRegistered());
    EXPECT_EQ(StoredValue(), "(none)");
}

TEST_F(AutostartTest, AnotherCopysEntryCountsAndIsRewrittenWithThisPath)
{
    const char other[] = "D:\\Other Copy\\BackdropCarousel.exe";
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kRunKey, "BackdropCarousel", REG_SZ, other, sizeof other),
              ERROR_SUCCESS);
    EXPECT_TRUE(IsAutostartRegistered());
    UnregisterAutostart();
    RegisterAutostart();
    EXPECT_EQ(StoredValue(), ThisProgram());
}

TEST_F(AutostartTest, WithoutTheRunKeyNothingChangesSilently)
{
    HKEY run;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &run), ERROR_SUCCESS);
    RegCloseKey(run);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRunKey), ERROR_SUCCESS);

    RegisterAutostart();
    EXPECT_FALSE(IsAutostartRegistered());
    UnregisterAutostart();

    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &run, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(run);
}
