#include "support/rotation_fixture.h"
#include "support/scratch_folder.h"

#include <algorithm>

using ImageSequenceTest = RotationFixture;

namespace {
std::vector<std::string> Step(int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        AdvanceImage(g_imageFolder, L"\\*.jpg");
        names.push_back(Utf8(g_currentImage));
    }
    return names;
}
}  // namespace

TEST_F(ImageSequenceTest, WalksMatchesInListingOrderAndStopsAtTheEnd)
{
    ScratchFolder folder;
    for (const char *name : {"c.jpg", "A.JPG", "b.Jpg", "d.jpeg", "e.png", "f.jpg.txt", ".jpg"})
        folder.AddFile(name);
    std::vector<std::string> listed = folder.List("*.jpg");
    std::vector<std::string> sorted = listed;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(sorted, (std::vector<std::string>{".jpg", "A.JPG", "b.Jpg", "c.jpg"}));

    g_imageFolder = Utf16(folder.Path());
    EXPECT_EQ(Step(4), listed);
    EXPECT_FALSE(g_imageSequence.firstStep);

    // The pass walks the listing of its first step. The step after the last
    // picture says the pass is through; the last name stays current.
    folder.AddFile("d.jpg");
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(AdvanceImage(g_imageFolder, L"\\*.jpg"));
        EXPECT_EQ(Utf8(g_currentImage), listed.back());
    }

    // After a rewind the folder is listed afresh, from the first file.
    ResetImageSequence();
    EXPECT_EQ(Step(1), std::vector<std::string>{listed.front()});
}

TEST_F(ImageSequenceTest, FolderWithoutImagesEmptiesTheNameOnEveryStep)
{
    ScratchFolder folder;
    folder.AddFile("photo.png");
    for (const std::string &path : {folder.Path(), folder.PathOf("missing")}) {
        SCOPED_TRACE(path);
        ResetImageSequence();
        g_imageFolder = Utf16(path);
        for (int i = 0; i < 3; ++i) {
            g_currentImage = L"left over.jpg";
            AdvanceImage(g_imageFolder, L"\\*.jpg");
            EXPECT_EQ(g_currentImage, L"");
        }
    }
}

TEST_F(ImageSequenceTest, OnlyFilesWhoseOwnNameEndsInJpgAreImages)
{
    // The platform's search also matches a subfolder, and a short 8.3 name
    // where the drive gives one (B~1.JPG).
    ScratchFolder lookAlikes;
    lookAlikes.AddFolder("x.jpg");
    lookAlikes.AddFile("b.jpgx");
    ASSERT_EQ(lookAlikes.List("*.jpg").size(), lookAlikes.HasShortName("b.jpgx") ? 2u : 1u);
    g_imageFolder = Utf16(lookAlikes.Path());
    g_currentImage = L"from the last folder.jpg";
    for (int i = 0; i < 2; ++i) {
        AdvanceImage(g_imageFolder, L"\\*.jpg");
        EXPECT_EQ(g_currentImage, L"") << "a folder of look-alikes has no images";
    }

    lookAlikes.AddFile("a.jpg");
    lookAlikes.AddFile("c.JPG");
    ResetImageSequence();
    std::vector<std::string> delivered = Step(2);
    std::sort(delivered.begin(), delivered.end());
    EXPECT_EQ(delivered, (std::vector<std::string>{"a.jpg", "c.JPG"}));
    EXPECT_FALSE(AdvanceImage(g_imageFolder, L"\\*.jpg")) << "the look-alikes are skipped to the end of the folder";
}

TEST_F(ImageSequenceTest, FolderChangeTakesEffectOnlyAfterARewind)
{
    ScratchFolder first, second;
    first.AddFile("a1.jpg");
    first.AddFile("a2.jpg");
    second.AddFile("b1.jpg");
    g_imageFolder = Utf16(first.Path());
    Step(1);

    g_imageFolder = Utf16(second.Path());
    std::vector<std::string> next = Step(1);
    EXPECT_EQ(next[0][0], 'a') << "the open search keeps walking the first folder";

    ResetImageSequence();
    EXPECT_EQ(Step(1), std::vector<std::string>{"b1.jpg"});
}
