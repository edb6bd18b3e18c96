#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "platform/Clock.h"
#include "platform/DiskSpace.h"
#include "platform/FileSystem.h"
#include "platform/Resource.h"
#include "platform/TextCodePage.h"

namespace {

class TempDirFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tolvin-platform-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_TRUE(platform::GetCurrentDir(oldCwd_, sizeof oldCwd_));
    }
    void TearDown() override {
        platform::SetCurrentDir(oldCwd_);
        std::string cmd = "rm -rf '" + dir_ + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    std::string dir_;
    char oldCwd_[4096] = {};
};

TEST_F(TempDirFixture, BackslashesSeparateNamesAsOnWindows) {
    const std::string a = dir_ + "\\level1";
    const std::string b = dir_ + "\\level1\\level2";
    EXPECT_TRUE(platform::CreateOneDirectory(a.c_str()));
    EXPECT_FALSE(platform::CreateOneDirectory(a.c_str())) << "an existing directory reports failure";
    EXPECT_FALSE(platform::CreateOneDirectory((dir_ + "\\missing\\child").c_str())) << "one level only";
    EXPECT_TRUE(platform::CreateOneDirectory(b.c_str()));

    ASSERT_TRUE(platform::SetCurrentDir(b.c_str()));
    char cwd[4096];
    ASSERT_TRUE(platform::GetCurrentDir(cwd, sizeof cwd));
    EXPECT_EQ(std::string(cwd), dir_ + "/level1/level2");

    FILE* f = platform::OpenFile("..\\note.txt", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("x", f);
    std::fclose(f);
    EXPECT_TRUE(platform::RenameFile("..\\note.txt", "..\\renamed.txt"));
    EXPECT_TRUE(platform::RemoveFile((dir_ + "\\level1\\renamed.txt").c_str()));
    EXPECT_FALSE(platform::RemoveFile((dir_ + "\\level1\\renamed.txt").c_str()));
}

TEST_F(TempDirFixture, SeekAndTellPastFourGigabytes) {
    FILE* f = platform::OpenFile((dir_ + "/sparse.bin").c_str(), "wb+");
    ASSERT_NE(f, nullptr);
    const long long far = 5LL * 1024 * 1024 * 1024;
    ASSERT_TRUE(platform::Seek64(f, far, SEEK_SET));
    std::fputc('z', f);
    ASSERT_TRUE(platform::Seek64(f, 0, SEEK_END));
    EXPECT_EQ(platform::Tell64(f), far + 1);
    std::fclose(f);
}

TEST_F(TempDirFixture, FreeBytesOfAnExistingFolderAndNoneForAMissingOne) {
    uint64_t bytes = 0;
    EXPECT_TRUE(platform::FreeBytesAvailable(dir_.c_str(), &bytes));
    EXPECT_GT(bytes, 0u);
    bytes = 123;
    EXPECT_FALSE(platform::FreeBytesAvailable((dir_ + "/no/such/folder").c_str(), &bytes));
}

TEST(Platform, TempAndModuleFoldersEndWithASeparator) {
    char buf[4096];
    ASSERT_TRUE(platform::TempDirectory(buf, sizeof buf));
    EXPECT_EQ(buf[std::strlen(buf) - 1], '/');
    ASSERT_TRUE(platform::ModuleFolder(buf, sizeof buf));
    EXPECT_EQ(buf[std::strlen(buf) - 1], '/');
    char file[4096];
    ASSERT_TRUE(platform::ModuleFileName(file, sizeof file));
    EXPECT_EQ(std::string(file).rfind(buf, 0), 0u);
    EXPECT_FALSE(platform::TempDirectory(buf, 2)) << "a buffer too small is refused, not overrun";
}

TEST(Platform, AnsiToWideMapsEachByteToOneUnit) {
    struct Case {
        const char* text;
        size_t capacity;
        bool fits;
        std::wstring wide;
    } cases[] = {
        {"Arial", 16, true, L"Arial"},
        {"", 1, true, L""},
        {"Remained", 8, false, L""},  // the terminator needs a ninth unit
        {"Remained", 9, true, L"Remained"},
        {"\xe9t\xe9", 4, true, std::wstring{wchar_t(0xe9), L't', wchar_t(0xe9)}},
        {"\xff", 2, true, std::wstring{wchar_t(0xff)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(platform::AnsiToWideLength(c.text), static_cast<int>(std::strlen(c.text)));
        wchar_t out[32];
        std::wmemset(out, L'#', 32);
        EXPECT_EQ(platform::AnsiToWide(c.text, out, c.capacity), c.fits);
        if (c.fits)
            EXPECT_EQ(std::wstring(out), c.wide);
        else
            EXPECT_EQ(out[0], L'#') << "nothing is written when it does not fit";
    }
}

TEST(Platform, TickCountAdvancesWithSleep) {
    const uint32_t t0 = platform::TickCount();
    platform::SleepMs(40);
    const uint32_t elapsed = platform::TickCount() - t0;  // unsigned: safe across the wrap
    EXPECT_GE(elapsed, 39u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Platform, LayoutResourceHoldsTheBytesOfTheDocumentFile) {
    std::string bytes;
    uint32_t announced = 0;
    ASSERT_TRUE(platform::ReadRcData(platform::kLayoutResource, &bytes, &announced));
    std::ifstream in(TOLVIN_SOURCE_DIR "/resources/ux.json", std::ios::binary);
    std::stringstream file;
    file << in.rdbuf();
    EXPECT_EQ(announced, file.str().size());
    EXPECT_EQ(bytes, file.str());
    EXPECT_FALSE(platform::ReadRcData(102, &bytes, &announced)) << "only the layout document is embedded here";
}

}  // namespace
