#include "support/test_program.h"

#include <gtest/gtest.h>

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
        program_ = LoadLibraryExA((TestProgramFolder() + "\\BackdropCarousel.exe").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
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

    HMODULE program_ = nullptr;
};
}  // namespace

TEST_F(ResourcesTest, ManifestAsksToRunAsTheInvokerInUtf8AndNothingElse)
{
    std::string manifest = Resource(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_NE(manifest.find("WindowsSettings\">UTF-8</activeCodePage>"), std::string::npos);
    for (const char *absent : {"dependency", "Common-Controls", "dpiAware", "dpiAwareness", "compatibility"})
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
