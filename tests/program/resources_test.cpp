#include "support/test_program.h"

#include "version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

namespace {
#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

class ResourcesTest : public testing::Test {
protected:
    void SetUp() override
    {
        program_ = LoadLibraryExA(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(program_, nullptr);
    }
    void TearDown() override { FreeLibrary(program_); }

    std::string Resource(const char *name, const char *type) const
    {
        HRSRC found = FindResourceA(program_, name, type);
        if (!found)
            return "";
        auto *data = static_cast<const char *>(LockResource(LoadResource(program_, found)));
        return std::string(data, SizeofResource(program_, found));
    }

    // The DLLs the program imports from, each with the names of the functions
    // it imports from it.
    std::map<std::string, std::vector<std::string>> Imports() const
    {
        // Loaded as an image resource the file has its in-memory layout, so
        // the headers' addresses are offsets from the base; the handle's low
        // bits only mark how it was loaded.
        auto *base = reinterpret_cast<const BYTE *>(reinterpret_cast<ULONG_PTR>(program_) & ~ULONG_PTR(3));
        auto *headers = reinterpret_cast<const IMAGE_NT_HEADERS *>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
        DWORD table = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        std::map<std::string, std::vector<std::string>> imports;
        for (auto *entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + table); entry->Name; ++entry) {
            std::vector<std::string> &functions = imports[reinterpret_cast<const char *>(base + entry->Name)];
            // The program and this test program are built for one machine.
            for (auto *thunk = reinterpret_cast<const IMAGE_THUNK_DATA *>(base + entry->OriginalFirstThunk);
                 thunk->u1.AddressOfData; ++thunk)
                if (!IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal))
                    functions.push_back(
                        reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + thunk->u1.AddressOfData)->Name);
        }
        return imports;
    }

    const std::string path_ = TestProgramFolder() + "\\BackdropCarousel.exe";
    HMODULE program_ = nullptr;
};
}  // namespace

TEST_F(ResourcesTest, ManifestAsksToRunAsTheInvokerInUtf8OnWindows7To11AndNothingElse)
{
    std::string manifest = Resource(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_NE(manifest.find("WindowsSettings\">UTF-8</activeCodePage>"), std::string::npos);
    for (const char *os : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                           "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"), std::string::npos) << os;
    for (const char *absent : {"dependency", "Common-Controls", "dpiAware", "dpiAwareness"})
        EXPECT_EQ(manifest.find(absent), std::string::npos) << absent;
}

TEST_F(ResourcesTest, IconsAreThirtyTwoBitLargeAndTwoHundredFiftySixColourSmall)
{
    const struct {
        const char *name;
        BYTE size;
        WORD bitCount;
    } icons[] = {{"IDI_ICON_LG", 32, 32}, {"IDI_ICON_SM", 16, 8}};
    for (const auto &icon : icons) {
        SCOPED_TRACE(icon.name);
        std::string group = Resource(icon.name, MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
        ASSERT_GE(group.size(), sizeof(IconGroup));
        const auto *header = reinterpret_cast<const IconGroup *>(group.data());
        ASSERT_EQ(header->count, 1);
        EXPECT_EQ(header->entries[0].width, icon.size);
        EXPECT_EQ(header->entries[0].height, icon.size);
        EXPECT_EQ(header->entries[0].bitCount, icon.bitCount);
        EXPECT_EQ(header->entries[0].colourCount, 0) << "256 colours or more";
    }
}

TEST_F(ResourcesTest, ImportsOnlyDllsThatComeWithWindows)
{
    // A runtime DLL of the compiler's (libstdc++, libgcc, winpthread) would
    // keep the program from starting on a user's machine. Reading or changing
    // an access list is the tests' business, never the program's.
    const char *system[] = {"advapi32.dll", "comctl32.dll", "gdi32.dll",   "gdiplus.dll", "kernel32.dll",
                            "msvcrt.dll",   "ole32.dll",    "shell32.dll", "shlwapi.dll", "user32.dll"};
    std::map<std::string, std::vector<std::string>> imports = Imports();
    EXPECT_FALSE(imports.empty());
    for (const auto &dll : imports) {
        EXPECT_TRUE(std::any_of(std::begin(system), std::end(system), [&](const char *name) {
            return _stricmp(dll.first.c_str(), name) == 0;
        })) << dll.first;
        for (const std::string &function : dll.second)
            EXPECT_EQ(function.find("Security"), std::string::npos) << dll.first << " " << function;
    }
}

TEST_F(ResourcesTest, VersionResourceNamesTheProductItsVersionAndItsOwners)
{
    std::vector<char> info(GetFileVersionInfoSizeA(path_.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path_.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void **>(&fixed), &length));
    const WORD version[] = {BACKDROP_VERSION_NUMBERS};
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(version[1], version[0])));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(version[3], version[2])));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);

    const struct {
        const char *name;
        const char *contains;
    } strings[] = {{"ProductName", "BackdropCarousel"},
                   {"FileDescription", "BackdropCarousel"},
                   {"FileVersion", BACKDROP_VERSION_TEXT},
                   {"ProductVersion", BACKDROP_VERSION_TEXT},
                   {"LegalCopyright", "The BackdropCarousel developers"}};
    for (const auto &string : strings) {
        char *value = nullptr;
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + string.name;
        ASSERT_TRUE(VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void **>(&value), &length))
            << string.name;
        EXPECT_NE(std::string(value).find(string.contains), std::string::npos) << string.name << ": " << value;
    }
}
