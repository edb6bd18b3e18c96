#include <gtest/gtest.h>

#include "download/SafeFileName.h"

namespace {

TEST(SafeFileName, OnlyNamesThatStayBelowTheDownloadFolder) {
    struct Case {
        const char* name;
        bool safe;
    };
    const Case cases[] = {
        {"game.exe", true},          {"data/pak/01.pak", true},   {"data\\pak\\01.pak", true},
        {"a..b/c.bin", true},        {"./here.bin", true},        {".hidden", true},
        {"", false},                 {"/etc/passwd", false},      {"\\share\\x", false},
        {"C:\\Windows\\x.dll", false}, {"c:x.bin", false},        {"../up.bin", false},
        {"a/../../up.bin", false},   {"a\\..\\b", false},         {"..", false},
        {"a/.../b", false},          {"a<b", false},              {"a>b", false},
        {"a\"b", false},             {"a|b", false},              {"a?b", false},
        {"a*b", false},              {"file.txt:stream", false},  {"tab\there", false},
        {"CON", false},              {"dir/nul.txt", false},      {"com1.bin", false},
        {"LPT9", false},             {"console.txt", true},       {"com0.bin", true},
        {"trailing.", false},        {"trailing ", false},        {"dir/", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsSafeFileName(c.name), c.safe);
    }
    EXPECT_FALSE(IsSafeFileName(nullptr));
}

}  // namespace
