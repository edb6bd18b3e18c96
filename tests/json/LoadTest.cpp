#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "json/cJson.h"
#include "tests/json/JsonPath.h"

namespace {
using json_test::At;
using Path = std::vector<std::string>;

class JsonLoad : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tolvin-json-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        const std::string command = "rm -rf '" + dir + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir + "/" + name;
        FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
        return path;
    }
    std::string dir;
};

TEST_F(JsonLoad, EmptiesTheFormerTreeThenParsesTheWholeFile) {
    enum RootAfter { kNoRoot, kFormerEmptied, kNewRoot };
    struct Case {
        const char* name;
        bool former;                         // the document held a tree before
        std::optional<std::string> content;  // none: no such file
        bool loads;
        RootAfter root;
        std::vector<std::pair<Path, const char*>> expects;
    };
    const std::string manifest =
        R"({"Version":3,"TotalCount":2,"TotalSize":300,"URL":"http://127.0.0.1/x/",)"
        R"("FileList":[{"Name":"a.bin","Size":100},{"Name":"d/b.exe","Size":200}]})";
    const Case cases[] = {
        {"missing file", true, std::nullopt, false, kFormerEmptied, {{{"old"}, nullptr}}},
        {"missing file, no tree before", false, std::nullopt, false, kNoRoot, {}},
        {"empty file", true, std::string(), true, kFormerEmptied, {{{"old"}, nullptr}}},
        {"empty file, no tree before", false, std::string(), true, kNoRoot, {}},
        {"not an object", true, std::string("[1,2]"), true, kFormerEmptied, {{{"old"}, nullptr}}},
        {"manifest", true, manifest, true, kNewRoot,
         {{{"old"}, nullptr}, {{"TotalSize"}, "300"}, {{"FileList", "#1", "Name"}, "d/b.exe"}}},
        {"a NUL ends the text", false, std::string("{\"a\":1,\0\"b\":2}", 14), true, kNewRoot,
         {{{"a"}, "1"}, {{"b"}, nullptr}}},
        {"line ends are read untranslated", false, std::string("{\r\n\"a\" : \"x\"\r\n}\r\n"), true, kNewRoot,
         {{{"a"}, "x"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cJson doc;
        if (c.former) {
            ASSERT_TRUE(doc.Parse(R"({"old":{"deep":1}})"));
        }
        cJson::Node* before = doc.Root();
        const std::string path = c.content ? Write("doc.json", *c.content) : dir + "/missing.json";
        EXPECT_EQ(doc.Load(path.c_str()), c.loads);
        switch (c.root) {
        case kNoRoot: EXPECT_EQ(doc.Root(), nullptr); break;
        case kFormerEmptied: EXPECT_EQ(doc.Root(), before); break;
        case kNewRoot: EXPECT_NE(doc.Root(), nullptr); break;
        }
        for (const auto& [p, text] : c.expects) {
            SCOPED_TRACE(json_test::Join(p));
            cJson::Node* node = At(doc, p);
            if (!text) {
                EXPECT_EQ(node, nullptr);
                continue;
            }
            ASSERT_NE(node, nullptr);
            EXPECT_STREQ(node->GetString(), text);
        }
    }
}

TEST_F(JsonLoad, TakesWindowsSeparatorsInThePath) {
    ASSERT_EQ(mkdir((dir + "/work").c_str(), 0700), 0);
    Write("work/file.json", R"({"Version":7})");
    cJson doc;
    ASSERT_TRUE(doc.Load((dir + "\\work\\file.json").c_str()));
    EXPECT_EQ(doc.Root()->Get("Version")->GetInt(), 7);
}

TEST_F(JsonLoad, ReadsALargeFileWhole) {
    // Beyond any buffer of the C library: the length comes from seek and tell, the read is one.
    std::string text = "{" + std::string(3 << 20, ' ') + "\"Version\":9}";
    const std::string path = Write("large.json", text);
    cJson doc;
    ASSERT_TRUE(doc.Load(path.c_str()));
    EXPECT_EQ(doc.Root()->Get("Version")->GetInt(), 9);
}

}  // namespace
