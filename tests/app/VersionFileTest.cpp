#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "AppTestSupport.h"
#include "app/AppContext.h"
#include "app/VersionFile.h"

namespace {

using apptest::AppFixture;
using apptest::IsDirectory;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(VersionFileText, FolderIsEverythingAfterTheFirstLf) {
    struct Case {
        const char* text;
        const char* folder;
    } cases[] = {
        {"1.0.3\nD:\\Games\\Client", "D:\\Games\\Client"},
        {"1.0.3\r\nD:\\Games\\Client\r\n", "D:\\Games\\Client\r\n"},  // nothing is trimmed
        {"1.0.3\n  D:\\Games \n", "  D:\\Games \n"},
        {"1.0.3\nD:\\A\nD:\\B", "D:\\A\nD:\\B"},
        {"\nD:\\Games", "D:\\Games"},
        {"1.0.3\n", ""},
        {"1.0.3", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(VersionFile::FolderFromText(c.text), c.folder);
    }
}

TEST(VersionFilePath, BuiltInTheWorkFolderOrRefused) {
    char path[VersionFile::kPathCapacity];
    ASSERT_TRUE(VersionFile::PathIn("C:\\Temp\\Pellacorde_Live\\MXBtolvin\\", path));
    EXPECT_STREQ(path, "C:\\Temp\\Pellacorde_Live\\MXBtolvin\\\\version.txt");

    // 259 characters is the most the path holds; one more would cut the file name.
    const std::string fits(259 - std::string("\\version.txt").size(), 'w');
    EXPECT_TRUE(VersionFile::PathIn(fits.c_str(), path));
    EXPECT_EQ(std::string(path).size(), 259u);
    const std::string tooLong = fits + "w";
    EXPECT_FALSE(VersionFile::PathIn(tooLong.c_str(), path));
    EXPECT_STREQ(path, "");
}

using VersionFileOnDisk = AppFixture;

TEST_F(VersionFileOnDisk, WritesVersionLfFolderAsBytes) {
    const std::string path = In("version.txt");
    WriteBytes(path, std::string(100, 'x'));  // an older, longer file is replaced whole
    ASSERT_TRUE(VersionFile::Write(path.c_str(), "1.0.3", "D:\\Games\\Client"));
    EXPECT_EQ(ReadBytes(path), "1.0.3\nD:\\Games\\Client");
    EXPECT_EQ(VersionFile::ReadFolder(path.c_str()), "D:\\Games\\Client");

    ASSERT_TRUE(VersionFile::Write(path.c_str(), "1.0.3", ""));
    EXPECT_EQ(ReadBytes(path), "1.0.3\n");
    EXPECT_EQ(VersionFile::ReadFolder(path.c_str()), "");

    EXPECT_FALSE(VersionFile::Write(In("missing/version.txt").c_str(), "1", "D:\\x"));
}

TEST_F(VersionFileOnDisk, ReaderRules) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string folder;
    } cases[] = {
        {"CR LF stays in the folder", "1.0\r\nD:\\Games\\Client\r\n", "D:\\Games\\Client\r\n"},
        {"no LF", "1.0 D:\\Games", ""},
        {"a NUL ends the text", std::string("1.0\nD:\\Games\0junk", 17), "D:\\Games"},
        {"a NUL before the LF hides it", std::string("1.0\0\nD:\\Games", 13), ""},
        {"larger than any remembered state", "1.0\nD:\\Games" + std::string(VersionFile::kMaxFileSize, 'z'), ""},
    };
    const std::string path = In("version.txt");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(path, c.bytes);
        EXPECT_EQ(VersionFile::ReadFolder(path.c_str()), c.folder);
    }
    EXPECT_EQ(VersionFile::ReadFolder(In("none.txt").c_str()), "");
}

// The work folder as the entry point builds it: ends with a backslash.
class RememberedState : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CopyText(AppContext->workFolder, (dir_ + "\\").c_str());
        CopyText(AppContext->version, "1.0.3");
    }
};

TEST_F(RememberedState, WriteVersionFileUsesTheRecord) {
    CopyText(AppContext->downloadFolder, "D:\\Games\\Client");
    ASSERT_TRUE(WriteVersionFile());
    EXPECT_EQ(ReadBytes(In("version.txt")), "1.0.3\nD:\\Games\\Client");
}

TEST_F(RememberedState, RestoresAndCreatesTheRememberedFolder) {
    MakeDrive("D:");
    WriteBytes(In("version.txt"), "0.9\nD:\\Games\\Client");
    ASSERT_TRUE(VersionFile::RestoreDownloadFolder());
    EXPECT_STREQ(AppContext->downloadFolder, "D:\\Games\\Client");
    EXPECT_TRUE(IsDirectory(In("D:/Games/Client")));
    EXPECT_EQ(listener_.changes, 1);
    EXPECT_TRUE(host_.messages.empty());

    // Only while no folder is set.
    WriteBytes(In("version.txt"), "0.9\nD:\\Other");
    EXPECT_FALSE(VersionFile::RestoreDownloadFolder());
    EXPECT_STREQ(AppContext->downloadFolder, "D:\\Games\\Client");
}

TEST_F(RememberedState, RememberedFolderWithoutBackslashIsReportedOnce) {
    WriteBytes(In("version.txt"), "0.9\nClient");
    ASSERT_TRUE(VersionFile::RestoreDownloadFolder());
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text, "cApp::CreateDownloadDirectory :: error (-32)");
    EXPECT_STREQ(AppContext->downloadFolder, "Client");
}

TEST_F(RememberedState, NothingToRestore) {
    struct Case {
        const char* what;
        const char* bytes;  // nullptr: no file at all
    } cases[] = {
        {"first start, no file", nullptr},
        {"no LF", "0.9"},
        {"nothing after the LF", "0.9\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(In("version.txt").c_str());
        if (c.bytes) WriteBytes(In("version.txt"), c.bytes);
        EXPECT_FALSE(VersionFile::RestoreDownloadFolder());
        EXPECT_STREQ(AppContext->downloadFolder, "");
    }
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(listener_.changes, 0);
}

TEST_F(RememberedState, OverlongRememberedFolderLeavesTheFolderUnset) {
    MakeDrive("D:");
    WriteBytes(In("version.txt"), "0.9\nD:\\Long\\" + std::string(300, 'a'));
    EXPECT_FALSE(VersionFile::RestoreDownloadFolder());
    EXPECT_STREQ(AppContext->downloadFolder, "");
    EXPECT_FALSE(IsDirectory(In("D:/Long")));
}

}  // namespace
