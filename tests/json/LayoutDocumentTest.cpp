#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "json/JsonNode.h"
#include "json/cJson.h"
#include "platform/Resource.h"
#include "tests/json/JsonPath.h"

// The layout document as the program embeds it (resource 104), read the way its readers read it.
namespace {
using json_test::At;
using Path = std::vector<std::string>;

class LayoutDocument : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        doc = new cJson;
        ASSERT_TRUE(doc->LoadFromResource());
        ASSERT_NE(doc->Root(), nullptr);
    }
    static void TearDownTestSuite() {
        delete doc;
        doc = nullptr;
    }
    static cJson* doc;
};
cJson* LayoutDocument::doc = nullptr;

bool IsTrue(cJson::Node* node) { return node && node->GetString() && std::strcmp(node->GetString(), "true") == 0; }

TEST(LayoutDocumentMembers, HasElevenTopLevelMembersAndNoMessageBox) {
    cJson fresh;
    ASSERT_TRUE(fresh.LoadFromResource());
    // Counted before any lookup adds an empty entry.
    EXPECT_EQ(static_cast<JsonNode*>(fresh.Root())->Members().EntryCount(), 11);
    for (const char* key : {"version", "created", "window-title", "bg-image", "use-local-resource", "server-url",
                            "folder", "font", "text", "button", "progressbar"}) {
        SCOPED_TRACE(key);
        EXPECT_NE(fresh.Root()->Get(key), nullptr);
    }
    EXPECT_EQ(fresh.Root()->Get("message-box"), nullptr);
}

TEST_F(LayoutDocument, EveryKeyTheProgramReadsHoldsItsShippedValue) {
    enum Type { kText, kWide, kInteger, kColour, kBoolean };
    struct Case {
        Path path;
        Type type;
        std::string text;  // for texts
        long long number;  // for integers, colours and booleans (1 true)
    };
    std::vector<Case> cases = {
        {{"version"}, kText, "201904221642", 0},
        {{"use-local-resource"}, kBoolean, "", 1},
        {{"folder", "default"}, kText, "c:\\download\\mx-b\\", 0},
        {{"folder", "x"}, kInteger, "", 128},
        {{"folder", "y"}, kInteger, "", 343},
        {{"window-title"}, kText, "TOLVIN full-client downloader...", 0},
    };
    const struct {
        const char* name;
        int x;
        const char* picture;
    } buttons[] = {{"launch", 312, "run"}, {"start", 390, "start"}, {"pause", 468, "stop"},
                   {"cancel", 546, "close"}, {"folder", 29, "folder"}};
    for (const auto& b : buttons) {
        const std::string stem = std::string("skin/btn_") + b.picture;
        cases.push_back({{"button", b.name, "x"}, kInteger, "", b.x});
        cases.push_back({{"button", b.name, "y"}, kInteger, "", 335});
        const struct {
            const char* state;
            const char* suffix;
        } pictures[] = {{"normal", ""}, {"over", "_mo"}, {"down", "_se"}, {"disable", "_di"}};
        for (const auto& p : pictures) cases.push_back({{"button", b.name, p.state}, kWide, stem + p.suffix + ".jpg", 0});
    }
    const std::vector<Case> rest = {
        {{"progressbar", "total", "x"}, kInteger, "", 30},
        {{"progressbar", "total", "y"}, kInteger, "", 306},
        {{"progressbar", "total", "width"}, kInteger, "", 586},
        {{"progressbar", "total", "height"}, kInteger, "", 18},
        {{"progressbar", "total", "bg-color"}, kColour, "", 0x333333},
        {{"progressbar", "total", "fg-color"}, kColour, "", 0x33DDFF},
        {{"progressbar", "total", "draw-rate-text"}, kBoolean, "", 1},
        {{"text", "tag", "time-remaining", "name"}, kWide, "Remained", 0},
        {{"text", "tag", "time-remaining", "x"}, kInteger, "", 0},
        {{"text", "tag", "elapse-time", "name"}, kWide, "Elapsed", 0},
        {{"text", "tag", "elapse-time", "x"}, kInteger, "", 120},
        {{"text", "tag", "total-recv", "name"}, kWide, "Transfered", 0},
        {{"text", "tag", "total-recv", "x"}, kInteger, "", 290},
        {{"text", "tag", "total-size", "name"}, kWide, "Total Size", 0},
        {{"text", "tag", "total-size", "x"}, kInteger, "", 445},
    };
    cases.insert(cases.end(), rest.begin(), rest.end());
    const struct {
        const char* entry;
        long long colour;
    } fonts[] = {{"value", 0xCCFF00}, {"progressbar", 0xFFFFFF}, {"tag", 0xFFFFFF}};
    for (const auto& f : fonts) {
        cases.push_back({{"font", f.entry, "name"}, kWide, "Arial", 0});
        cases.push_back({{"font", f.entry, "size"}, kInteger, "", 12});
        cases.push_back({{"font", f.entry, "alpha"}, kInteger, "", 79});
        cases.push_back({{"font", f.entry, "color"}, kColour, "", f.colour});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(json_test::Join(c.path));
        cJson::Node* node = At(*doc, c.path);
        ASSERT_NE(node, nullptr);
        ASSERT_EQ(node->GetKind(), cJson::Node::eJsonValue);
        switch (c.type) {
        case kText: EXPECT_EQ(std::string(node->GetString()), c.text); break;
        case kWide: EXPECT_EQ(std::wstring(node->GetWString()), std::wstring(c.text.begin(), c.text.end())); break;
        case kInteger: EXPECT_EQ(node->GetInt(), c.number); break;
        case kColour: EXPECT_EQ(node->GetHex(), c.number); break;
        case kBoolean: EXPECT_EQ(IsTrue(node), c.number == 1); break;
        }
    }
}

TEST_F(LayoutDocument, KeysNeverReadAreThereAsShipped) {
    const struct {
        Path path;
        const char* text;
    } cases[] = {
        {{"created"}, "201804191022"},
        {{"bg-image"}, "skin/bg.jpg"},
        {{"font", "title", "name"}, "Arial"},
        {{"font", "title", "size"}, "13"},
        {{"font", "title", "bold"}, "600"},
        {{"font", "title", "alpha"}, nullptr},
        {{"font", "title", "color"}, "0x33FFff"},
        {{"font", "tag", "bold"}, "500"},
        {{"text", "title", "status", "name"}, "[Transfer Info]"},
        {{"text", "title", "folder-info", "name"}, "[Folder Info]"},
        {{"text", "title", "folder-info", "y"}, "30"},
        {{"text", "tag", "speed", "y"}, "270"},
        {{"text", "tag", "required-storage", "name"}, "Require Space"},
        {{"text", "tag", "available-storage", "x"}, "10"},
        {{"text", "tag", "available-storage", "y"}, "110"},
        {{"progressbar", "each-not-used", "fg-color"}, "0x993300"},
        {{"progressbar", "each-not-used", "draw-rate-text"}, "true"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(json_test::Join(c.path));
        cJson::Node* node = At(*doc, c.path);
        if (!c.text) {
            EXPECT_EQ(node, nullptr);
            continue;
        }
        ASSERT_NE(node, nullptr);
        EXPECT_STREQ(node->GetString(), c.text);
    }
    const char* url = At(*doc, {"server-url"})->GetString();
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(std::strncmp(url, "http://", 7), 0);
    EXPECT_EQ(url[std::strlen(url) - 1], '/');
}

// The order a studio writes the document in; the scanner does not keep it, so it is checked
// on the embedded bytes.
TEST(LayoutDocumentText, MembersStandInTheShippedOrder) {
    std::string bytes;
    uint32_t size = 0;
    ASSERT_TRUE(platform::ReadRcData(platform::kLayoutResource, &bytes, &size));
    ASSERT_EQ(bytes.size(), size);
    auto inOrder = [&](size_t from, const std::vector<const char*>& keys) {
        size_t at = from;
        for (const char* key : keys) {
            const size_t next = bytes.find(std::string("\"") + key + "\"", at);
            EXPECT_NE(next, std::string::npos) << key;
            if (next == std::string::npos) return at;
            at = next + 1;
        }
        return at;
    };
    inOrder(0, {"version", "created", "window-title", "bg-image", "use-local-resource", "server-url", "folder",
                "font", "text", "button", "progressbar"});
    const size_t buttons = bytes.find("\"button\"");
    size_t at = buttons;
    for (const char* b : {"launch", "start", "pause", "cancel", "folder"})
        at = inOrder(at, {b, "x", "y", "disable", "over", "down", "normal"});
    EXPECT_NE(bytes.find("\"default\" : \"c:\\download\\mx-b\\\""), std::string::npos)
        << "single backslashes, the last one just before the closing quote";
    EXPECT_NE(bytes.find("\"use-local-resource\" : true,"), std::string::npos) << "true without quotes";
}

TEST(LayoutDocumentValues, ColoursAndSwitchesReadTheWayTheProgramReadsThem) {
    cJson doc;
    ASSERT_TRUE(doc.Parse(R"({"a":"0xccFF00","b":"0xCCff00","c":"ccff00","d":"CCFF00","e":0xccFF00,"f":"0XccFF00",)"
                          R"("t1":true,"t2":"true","t3":"true  ","f1":"True","f2":"TRUE","f3":1,"f4":"1","f5":" true",)"
                          R"("f6":false})"));
    for (const char* key : {"a", "b", "c", "d", "e", "f"}) {
        SCOPED_TRACE(key);
        ASSERT_NE(doc.Root()->Get(key), nullptr);
        EXPECT_EQ(doc.Root()->Get(key)->GetHex(), 0xCCFF00);
    }
    const struct {
        const char* key;
        bool on;
    } switches[] = {{"t1", true},  {"t2", true},  {"t3", true},  {"f1", false}, {"f2", false},
                    {"f3", false}, {"f4", false}, {"f5", false}, {"f6", false}, {"missing", false}};
    for (const auto& s : switches) {
        SCOPED_TRACE(s.key);
        EXPECT_EQ(IsTrue(doc.Root()->Get(s.key)), s.on);
    }
}

}  // namespace
