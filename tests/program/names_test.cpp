// Pictures named in any script reach the desktop whole, and paths past the
// platform's length limit in a short form the desktop keeps.
#include "program/program_driver.h"
#include "support/desktop_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using NamesTest = ProgramTest;

TEST_F(NamesTest, PicturesOfAnyNameInALongFolderAreHandedOverInAFormTheDesktopKeepsWhereTheDriveHasShortNames)
{
    // 209 characters, so that the longest names make full paths of over 260.
    ScratchFolder base;
    std::string folderName = std::string(206 - base.Path().size(), 'd') + "写真";
    base.AddFolder(folderName);
    std::string longName;
    for (int i = 0; i < 20; ++i)
        longName += "長い名前";  // 80 characters, 240 bytes: the longest the host allows
    for (const std::string &name : {std::string("日本語.jpg"), std::string("😀.jpg"), std::string("ｂｅｓｔ.jpg"),
                                    std::string("best.jpg"), longName + ".jpg", std::string(90, 'n') + ".jpg"})
        base.AddFile(folderName + "\\" + name);
    if (!base.HasShortName(folderName + "\\" + longName + ".jpg"))
        GTEST_SKIP() << "the temporary folder's drive gives no short (8.3) names: such pictures are skipped";
    std::string folder = base.PathOf(folderName);
    std::vector<std::string> listed = base.List(folderName + "\\*.jpg");
    ASSERT_EQ(listed.size(), 6u);

    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    program.Type(program.FolderBox(), folder);
    program.Type(program.IntervalBox(), "60");
    program.Click(IDC_START_ROTATION);
    for (size_t tick = 0; tick <= listed.size(); ++tick)
        SendMessageA(program.Window(), WM_TIMER, IDT_ROTATION, 0);

    std::vector<std::string> handedOver;
    for (const std::string &line : ReadDesktopLog()) {
        if (line.rfind("SetWallpaper ", 0) == 0)
            handedOver.push_back(line);
    }
    listed.push_back(listed.back());  // the end of the folder shows the last one again
    ASSERT_EQ(handedOver.size(), listed.size());
    auto fileId = [](const std::wstring &path) {
        HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        BY_HANDLE_FILE_INFORMATION info = {};
        GetFileInformationByHandle(file, &info);
        CloseHandle(file);
        return std::make_tuple(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
    };
    for (size_t i = 0; i < listed.size(); ++i) {
        std::string whole = folder + "\\" + listed[i];
        if (Utf16(whole).size() < MAX_PATH) {
            EXPECT_EQ(handedOver[i], "SetWallpaper " + whole + " 0");
            continue;
        }
        // Past the desktop's limit: a short form that names the same file.
        std::wstring handed = Utf16(handedOver[i].substr(13, handedOver[i].size() - 15));
        EXPECT_LT(handed.size(), MAX_PATH) << handedOver[i];
        EXPECT_EQ(fileId(handed), fileId(L"\\\\?\\" + Utf16(whole))) << handedOver[i];
    }
    EXPECT_TRUE(program.Messages().Messages().empty());
}

TEST_F(NamesTest, BoxesAreUnicodeAndKeep260TypedCharactersOfAnyScript)
{
    std::string typed;
    for (int i = 0; i < 130; ++i)
        typed += "写真";
    {
        RunningProgram program(home_);
        ASSERT_TRUE(program.WaitUntilShown());
        for (HWND control : program.Controls())
            EXPECT_TRUE(IsWindowUnicode(control));
        HWND box = program.FolderBox();
        program.Type(box, "");
        // Through the program's message loop, as keyboards and input methods
        // deliver them; the 261st is refused. The click follows the characters.
        for (int i = 0; i <= 260; ++i)
            PostMessageW(box, WM_CHAR, L"写真"[i % 2], 1);
        PostMessageW(program.Control(IDC_SAVE_SETTINGS), BM_CLICK, 0, 0);
        ASSERT_TRUE(program.Messages().WaitFor(1));
        EXPECT_EQ(RunningProgram::Text(box), typed);
    }
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    EXPECT_EQ(RunningProgram::Text(program.FolderBox()), typed) << "saved and read back whole";
}

TEST_F(NamesTest, FoldersOutsideTheSystemsCodePageAreRotatedSavedAndRestoredWhole)
{
    RunningProgram::Options legacy;
    legacy.legacyCodePage = true;
    for (const std::string name : {"Φωτογραφίες", "写真 😀"}) {
        SCOPED_TRACE(name);
        ClearDesktopLog();
        ScratchFolder pictures(" " + name);
        pictures.AddFile("a.jpg");
        {
            RunningProgram program(home_, legacy);
            ASSERT_TRUE(program.WaitUntilShown());
            program.Type(program.FolderBox(), pictures.Path());
            program.Type(program.IntervalBox(), "60");
            program.Click(IDC_START_ROTATION);
            SendMessageA(program.Window(), WM_TIMER, IDT_ROTATION, 0);
            program.Click(IDC_SAVE_SETTINGS);
            EXPECT_EQ(Texts(program.Messages().Messages()), std::vector<std::string>{"Your settings have been saved!"});
        }
        std::vector<std::string> log = ReadDesktopLog();
        EXPECT_NE(std::find(log.begin(), log.end(), "SetWallpaper " + pictures.PathOf("a.jpg") + " 0"), log.end());
        RunningProgram program(home_, legacy);
        ASSERT_TRUE(program.WaitUntilShown());
        EXPECT_EQ(RunningProgram::Text(program.FolderBox()), pictures.Path());
    }
}

TEST_F(NamesTest, FolderWithAnUnpairedSurrogateIsSavedAndRestoredExactly)
{
    // Windows allows such names; UTF-8 has no form for them.
    const std::wstring folder = L"C:\\Photos \xD83D";
    wchar_t shown[32] = L"";
    {
        RunningProgram program(home_);
        ASSERT_TRUE(program.WaitUntilShown());
        SendMessageW(program.FolderBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        program.Click(IDC_SAVE_SETTINGS);
    }
    RunningProgram program(home_);
    ASSERT_TRUE(program.WaitUntilShown());
    SendMessageW(program.FolderBox(), WM_GETTEXT, ARRAYSIZE(shown), reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(shown, folder);
}
