#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "json/cJson.h"
#include "platform/Host.h"
#include "platform/Resource.h"
#include "tests/json/RecordingHost.h"

// This test links its own resource reader in place of the platform's, so that a resource can be
// missing or come up short.
namespace {
struct ScriptedResource {
    bool exists = true;
    std::string bytes;
    uint32_t announced = 0;
    int lastId = 0;
} g_resource;
}  // namespace

bool platform::ReadRcData(int id, std::string* bytes, uint32_t* announcedSize) {
    g_resource.lastId = id;
    if (!g_resource.exists) return false;
    *bytes = g_resource.bytes;
    *announcedSize = g_resource.announced;
    return true;
}

namespace {
using json_test::RecordingHost;
using json_test::Terminated;

TEST(JsonLoadFromResource, ParsesTheAnnouncedBytesOrEndsTheProgramWhenShort) {
    struct Case {
        const char* name;
        bool exists;
        std::string bytes;
        uint32_t announced;
        bool returns;
        bool terminates;
        const char* a;  // the member "a" afterwards; nullptr: absent or no tree
    };
    const Case cases[] = {
        {"no such resource", false, "", 0, false, false, nullptr},
        {"read whole", true, R"({"a":"1"})", 9, true, false, "1"},
        {"one byte short", true, R"({"a":"1")", 9, false, true, nullptr},
        {"nothing read", true, "", 9, false, true, nullptr},
        {"only the announced bytes count", true, R"({"a":"1"}{"b":2})", 9, true, false, "1"},
        {"empty resource", true, "", 0, true, false, nullptr},
        {"not an object: reported as read", true, "[1]", 3, true, false, nullptr},
        {"a NUL ends the text", true, std::string("{\"a\":\"1\",\0\"b\":2}", 16), 16, true, false, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_resource = {c.exists, c.bytes, c.announced, 0};
        RecordingHost host;
        cJson doc;
        bool returned = false;
        int exitCode = 0;
        try {
            returned = doc.LoadFromResource();
        } catch (const Terminated& t) {
            exitCode = t.exitCode;
        }
        EXPECT_EQ(g_resource.lastId, 104);
        EXPECT_EQ(returned, c.returns);
        if (c.terminates) {
            EXPECT_EQ(exitCode, -34);
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0].text, "json error -34");
            EXPECT_EQ(host.messages[0].flags, platform::kIconWarning);
            EXPECT_EQ(doc.Root(), nullptr);
        } else {
            EXPECT_EQ(exitCode, 0);
            EXPECT_TRUE(host.messages.empty());
        }
        cJson::Node* a = doc.Root() ? doc.Root()->Get("a") : nullptr;
        if (c.a) {
            ASSERT_NE(a, nullptr);
            EXPECT_STREQ(a->GetString(), c.a);
            EXPECT_EQ(doc.Root()->Get("b"), nullptr);
        } else {
            EXPECT_EQ(a, nullptr);
        }
    }
}

}  // namespace
