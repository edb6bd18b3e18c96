#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/DownloadDirectory.h"
#include "AppTestSupport.h"
#include "platform/Host.h"

namespace {

using apptest::AppFixture;
using apptest::IsDirectory;
using Levels = std::vector<std::string>;

TEST(DownloadDirectoryLevels, FromTheLeftWithoutTheDrivePart) {
    struct Case {
        const char* folder;
        Levels levels;
    } cases[] = {
        {"D:\\Games\\Client", {"D:\\Games", "D:\\Games\\Client"}},
        {"c:\\ZERU\\download\\MXBtolvin\\", {"c:\\ZERU", "c:\\ZERU\\download", "c:\\ZERU\\download\\MXBtolvin"}},
        {"D:\\Games\\", {"D:\\Games"}},
        {"D:\\", {}},
        {"D:\\Games", {"D:\\Games"}},
        {"Client", {}},
        {"D:/Games/Client", {}},  // only the backslash separates here
        {"", {}},
        {"Games\\Client", {"Games\\Client"}},  // the first name is taken for the drive part
        {"D:\\\\Games", {"D:\\", "D:\\\\Games"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(DownloadDirectory::Levels(c.folder), c.levels);
    }
    EXPECT_EQ(DownloadDirectory::Levels(DownloadDirectory::kDefaultFolder),
              (Levels{"c:\\ZERU", "c:\\ZERU\\download", "c:\\ZERU\\download\\MXBtolvin"}));
    EXPECT_TRUE(DownloadDirectory::Levels(nullptr).empty());
}

using CreateDownloadDirectory = AppFixture;

TEST_F(CreateDownloadDirectory, CreatesEveryLevelAndStoresBothCopies) {
    MakeDrive("D:");
    ASSERT_TRUE(cApp::CreateDownloadDirectory("D:\\Games\\Client"));
    EXPECT_STREQ(AppContext->downloadFolder, "D:\\Games\\Client");
    EXPECT_EQ(std::wstring(AppContext->downloadFolderWide), L"D:\\Games\\Client");
    EXPECT_TRUE(IsDirectory(In("D:/Games")));
    EXPECT_TRUE(IsDirectory(In("D:/Games/Client")));
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(listener_.changes, 1);

    // Levels that exist already are no failure.
    ASSERT_TRUE(cApp::CreateDownloadDirectory("D:\\Games\\Client\\Sub"));
    EXPECT_TRUE(IsDirectory(In("D:/Games/Client/Sub")));
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(listener_.changes, 2);
}

TEST_F(CreateDownloadDirectory, DefaultFolder) {
    MakeDrive("c:");
    ASSERT_TRUE(cApp::CreateDownloadDirectory(DownloadDirectory::kDefaultFolder));
    EXPECT_STREQ(AppContext->downloadFolder, "c:\\ZERU\\download\\MXBtolvin\\");
    EXPECT_TRUE(IsDirectory(In("c:/ZERU/download/MXBtolvin")));
}

TEST_F(CreateDownloadDirectory, FolderWithoutBackslashIsKeptReportedAndNotCreated) {
    ASSERT_TRUE(cApp::CreateDownloadDirectory("Client"));
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text, "cApp::CreateDownloadDirectory :: error (-32)");
    EXPECT_EQ(host_.messages[0].flags, platform::kIconWarning);
    EXPECT_STREQ(AppContext->downloadFolder, "Client");
    EXPECT_EQ(std::wstring(AppContext->downloadFolderWide), L"Client");
    EXPECT_FALSE(IsDirectory(In("Client")));
    EXPECT_EQ(listener_.changes, 1) << "the window still shows the new text";
}

TEST_F(CreateDownloadDirectory, OverlongFolderIsRefusedWhole) {
    MakeDrive("D:");
    ASSERT_TRUE(cApp::CreateDownloadDirectory("D:\\Games"));
    const int changesBefore = listener_.changes;

    struct Case {
        size_t length;
        bool accepted;
    } cases[] = {{260, false}, {600, false}, {259, true}};  // refusals first: 259 creates D:\Long
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        // "D:\Long\aaaa...": the first level would be created if anything were cut.
        std::string folder = "D:\\Long\\";
        folder.append(c.length - folder.size(), 'a');
        ASSERT_TRUE(cApp::CreateDownloadDirectory("D:\\Games"));
        EXPECT_EQ(cApp::CreateDownloadDirectory(folder.c_str()), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(std::string(AppContext->downloadFolder), folder);
            EXPECT_EQ(std::wstring(AppContext->downloadFolderWide).size(), folder.size());
        } else {
            EXPECT_STREQ(AppContext->downloadFolder, "D:\\Games");
            EXPECT_EQ(std::wstring(AppContext->downloadFolderWide), L"D:\\Games");
            EXPECT_FALSE(IsDirectory(In("D:/Long")));
        }
    }
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(listener_.changes, changesBefore + 4) << "a refused folder asks for no repaint";
}

TEST_F(CreateDownloadDirectory, WideCopyFollowsTheCodePage) {
    MakeDrive("D:");
    ASSERT_TRUE(cApp::CreateDownloadDirectory("D:\\Spiel\xE9"));
    EXPECT_EQ(AppContext->downloadFolderWide[8], static_cast<wchar_t>(0xE9));
    EXPECT_EQ(AppContext->downloadFolderWide[9], L'\0');
}

TEST_F(CreateDownloadDirectory, WithoutListenerOrRecord) {
    DownloadDirectory::SetListener(nullptr);
    EXPECT_TRUE(cApp::CreateDownloadDirectory("Client"));
    EXPECT_FALSE(cApp::CreateDownloadDirectory(nullptr));
    AppContext = nullptr;
    EXPECT_FALSE(cApp::CreateDownloadDirectory("D:\\Games"));
}

}  // namespace
