#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "AppTestSupport.h"
#include "app/DiskSpaceCheck.h"

namespace {

constexpr int64_t kGiB = 1LL << 30;

TEST(DiskSpaceCheck, StartNeedsMoreThanTheRequiredSize) {
    struct Case {
        int64_t freeBytes, required;
        bool enough;
    } cases[] = {
        {10 * kGiB, 10 * kGiB, false},  // equal is too little
        {10 * kGiB + 1, 10 * kGiB, true},
        {0, 0, false},  // a volume that cannot be asked counts as full, also before the manifest
        {1, 0, true},
        {5 * kGiB, 10 * kGiB, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.freeBytes << " free, " << c.required << " needed");
        const DiskSpaceCheck::StartVerdict v = DiskSpaceCheck::ForStart("D:\\Games\\Client", c.freeBytes, c.required);
        EXPECT_EQ(v.enough, c.enough);
        EXPECT_EQ(v.message[0] == '\0', c.enough);
    }
}

TEST(DiskSpaceCheck, DiskMessageNamesTheDrive) {
    struct Case {
        const char* folder;
        const char* drive;
    } cases[] = {
        {"D:\\Games\\Client", "D:"},
        {"c:\\ZERU\\download\\MXBtolvin\\", "c:"},
        {"X", "X"},
        {"", ""},
        {nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive);
        char text[DiskSpaceCheck::kMessageCapacity];
        DiskSpaceCheck::FormatDiskMessage(c.folder, text);
        EXPECT_EQ(std::string(text), std::string("This disk drive(") + c.drive +
                                         ") does not have enough capacity.\n"
                                         "Please change the download folder or free up capacity.   ");
    }
    EXPECT_STREQ(DiskSpaceCheck::kDiskMessageCaption, "Downloader - TOLVIN ...");
    EXPECT_EQ(DiskSpaceCheck::kIconInformation, 0x40u);
}

TEST(DiskSpaceCheck, FolderDialogSelection) {
    struct Case {
        const char* path;
        int64_t freeBytes, required;
        bool disableOk;
        const char* label;
    } cases[] = {
        {"D:\\Games", 10 * kGiB + kGiB / 2, 3 * kGiB, false,
         "At least 3.000GB is required.\nYour free space : 10.500GB"},
        {"C:\\", 100 * kGiB, 3 * kGiB, true, "At least 3.000GB is required.\nYour free space : 100.000GB"},
        {"", 0, 3 * kGiB, true, "At least 3.000GB is required.\nYour free space : 0.000GB"},
        {"D:\\Games", 3 * kGiB, 3 * kGiB, true, "At least 3.000GB is required.\nYour free space : 3.000GB"},
        {"D:\\Gam", 1, 0, false, "At least 0.000GB is required.\nYour free space : 0.000GB"},
        {"D:\\Games", 1234567890, 987654321, false, "At least 0.920GB is required.\nYour free space : 1.150GB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const DiskSpaceCheck::SelectionVerdict v = DiskSpaceCheck::ForSelection(c.path, c.freeBytes, c.required);
        EXPECT_EQ(v.disableOk, c.disableOk);
        EXPECT_STREQ(v.label, c.label);
    }
}

using DiskSpaceOnDisk = apptest::AppFixture;

TEST_F(DiskSpaceOnDisk, UndeterminedFreeSpaceCountsAsNone) {
    EXPECT_GT(DiskSpaceCheck::FreeBytes(dir_.c_str()), 0);
    EXPECT_EQ(DiskSpaceCheck::FreeBytes(In("no\\such\\folder").c_str()), 0);
    EXPECT_EQ(DiskSpaceCheck::FreeBytes(""), 0);
    EXPECT_EQ(DiskSpaceCheck::FreeBytes(nullptr), 0);

    EXPECT_TRUE(DiskSpaceCheck::ForStart(dir_.c_str(), 0).enough);
    const DiskSpaceCheck::StartVerdict missing = DiskSpaceCheck::ForStart("Q:\\no\\such\\folder", 0);
    EXPECT_FALSE(missing.enough);
    EXPECT_NE(std::string(missing.message).find("drive(Q:)"), std::string::npos);
    EXPECT_TRUE(DiskSpaceCheck::ForSelection("Q:\\no\\such\\folder", 0).disableOk);
    EXPECT_FALSE(DiskSpaceCheck::ForSelection(dir_.c_str(), 0).disableOk);
}

}  // namespace
