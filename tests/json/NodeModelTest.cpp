#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "json/JsonNode.h"
#include "json/JsonValue.h"
#include "json/MemberTable.h"
#include "json/cJson.h"
#include "tests/json/JsonPath.h"

namespace {
using json_test::At;

const char* kMixed =
    R"({"obj":{"a":1},"list":[{"Name":"a.bin","Size":100},{"Name":"b.bin","Size":200}],"num":"79","vals":[1,2]})";

TEST(JsonNodeModel, EveryKindAnswersTheQuestionsItCannotWithNoneOrZero) {
    cJson doc;
    ASSERT_TRUE(doc.Parse(kMixed));
    struct Case {
        std::vector<std::string> path;
        cJson::Node::Kind kind;
        const char* string;  // what GetString answers
        const char* key;
    };
    const Case cases[] = {
        {{}, cJson::Node::eJsonNode, "cJson::Node::eJsonNode", "head-node"},
        {{"obj"}, cJson::Node::eJsonNode, "cJson::Node::eJsonNode", "obj"},
        {{"list"}, cJson::Node::eJsonNodes, "cJson::Node::eJsonNodes", "list"},
        {{"list", "#0"}, cJson::Node::eJsonNode, "cJson::Node::eJsonNode", ""},
        {{"vals"}, cJson::Node::eJsonValues, "cJson::Node::eJsonValues", "vals"},
        {{"num"}, cJson::Node::eJsonValue, "79", "num"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(json_test::Join(c.path));
        cJson::Node* node = At(doc, c.path);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->GetKind(), c.kind);
        EXPECT_STREQ(node->GetString(), c.string);
        EXPECT_STREQ(node->GetKey(), c.key);
        EXPECT_EQ(node->Child("x"), nullptr);
        EXPECT_EQ(node->Get("x"), nullptr);
        if (c.kind != cJson::Node::eJsonNodes) {
            EXPECT_EQ(node->Child(0), nullptr);
            EXPECT_EQ(node->Get(0), nullptr);
        }
        if (c.kind != cJson::Node::eJsonValue) {
            EXPECT_EQ(node->GetWString(), nullptr);
            EXPECT_EQ(node->GetInt(), 0);
            EXPECT_EQ(node->GetInt64(), 0);
            EXPECT_EQ(node->GetHex(), 0);
            EXPECT_EQ(node->GetHex64(), 0);
        }
    }
}

TEST(JsonNodeModel, ConversionsFollowTheCLibraryAndClampToTheirType) {
    struct Case {
        const char* text;
        int32_t dec;
        int64_t dec64;
        int32_t hex;
        int64_t hex64;
    };
    const Case cases[] = {
        {"79", 79, 79, 0x79, 0x79},
        {" 79", 79, 79, 0x79, 0x79},
        {"\t\r\n 79", 79, 79, 0x79, 0x79},
        {"+7", 7, 7, 7, 7},
        {"-5", -5, -5, -5, -5},
        {"true", 0, 0, 0, 0},
        {"null", 0, 0, 0, 0},
        {"", 0, 0, 0, 0},
        {"12abc", 12, 12, 0x12abc, 0x12abc},
        {"201904221642", INT32_MAX, 201904221642LL, INT32_MAX, 0x201904221642LL},
        {"-201904221642", INT32_MIN, -201904221642LL, INT32_MIN, -0x201904221642LL},
        {"99999999999999999999", INT32_MAX, INT64_MAX, INT32_MAX, INT64_MAX},
        {"-99999999999999999999", INT32_MIN, INT64_MIN, INT32_MIN, INT64_MIN},
        {"0x33FFff", 0, 0, 0x33FFFF, 0x33FFFF},
        {"33FFff", 33, 33, 0x33FFFF, 0x33FFFF},
        {"0xccFF00", 0, 0, 0xCCFF00, 0xCCFF00},
        {"0XCCff00", 0, 0, 0xCCFF00, 0xCCFF00},
        {"0xFFFFFFFF", 0, 0, INT32_MAX, 0xFFFFFFFFLL},
        {"0x7FFFFFFF", 0, 0, INT32_MAX, 0x7FFFFFFFLL},
        {"-0x80000000", 0, 0, INT32_MIN, -0x80000000LL},
        {"-0x80000001", 0, 0, INT32_MIN, -0x80000001LL},
        {"0xFFFFFFFFFFFFFFFF", 0, 0, INT32_MAX, INT64_MAX},
        {"2147483647", INT32_MAX, INT32_MAX, INT32_MAX, 0x2147483647LL},
        {"2147483648", INT32_MAX, 2147483648LL, INT32_MAX, 0x2147483648LL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        JsonValue value("k", c.text);
        EXPECT_STREQ(value.GetString(), c.text);
        EXPECT_EQ(value.GetInt(), c.dec);
        EXPECT_EQ(value.GetInt64(), c.dec64);
        EXPECT_EQ(value.GetHex(), c.hex);
        EXPECT_EQ(value.GetHex64(), c.hex64);
    }
}

TEST(JsonNodeModel, WideTextIsMadeOnceAndKeptAtTheSamePlace) {
    struct Case {
        const char* text;
        const wchar_t* wide;
    };
    // The Linux stand-in of the ANSI code page maps 0x80 to 0xFF onto U+0080 to U+00FF.
    const Case cases[] = {
        {"skin/btn_run.jpg", L"skin/btn_run.jpg"},
        {"", L""},
        {"Caf\xE9 \x80\xFF", L"Caf\u00E9 \u0080\u00FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        JsonValue value("k", c.text);
        const wchar_t* first = value.GetWString();
        ASSERT_NE(first, nullptr);
        EXPECT_STREQ(first, c.wide);
        EXPECT_EQ(value.GetWString(), first);
        EXPECT_EQ(value.GetWString(), first);
    }
}

TEST(JsonNodeModel, AClearedScalarHasNoTextAndConvertsToZero) {
    for (bool wideFirst : {false, true}) {
        SCOPED_TRACE(wideFirst ? "wide text made before" : "no wide text");
        JsonValue value("k", "0x79");
        if (wideFirst) {
            ASSERT_NE(value.GetWString(), nullptr);
        }
        value.Clear();
        EXPECT_EQ(value.GetString(), nullptr);
        EXPECT_EQ(value.GetWString(), nullptr);
        EXPECT_EQ(value.GetInt(), 0);
        EXPECT_EQ(value.GetInt64(), 0);
        EXPECT_EQ(value.GetHex(), 0);
        EXPECT_EQ(value.GetHex64(), 0);
        value.Clear();
    }
}

TEST(JsonNodeModel, KeysCompareExactlyAndCaseSensitively) {
    cJson doc;
    ASSERT_TRUE(doc.Parse(R"({"Version":3,"version-x":4})"));
    const struct {
        const char* key;
        const char* expected;
    } cases[] = {
        {"Version", "3"}, {"version", nullptr}, {"VERSION", nullptr}, {"Versio", nullptr},
        {"Version ", nullptr}, {"version-x", "4"}, {"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        cJson::Node* node = doc.Root()->Get(c.key);
        if (c.expected) {
            ASSERT_NE(node, nullptr);
            EXPECT_STREQ(node->GetString(), c.expected);
        } else {
            EXPECT_EQ(node, nullptr);
        }
    }
    EXPECT_EQ(doc.Root()->Get(nullptr), nullptr);
}

// Lookups of missing keys leave empty entries; Clear removes those it passes, destroys every
// member and keeps the entries it emptied until the object dies.
TEST(JsonNodeModel, MissingKeysLeaveEmptyEntriesThatClearTidiesAway) {
    const std::vector<std::vector<std::string>> orders = {
        {},
        {"missing", "missing"},
        {"missing", "a", "other", "b", "missing", "c"},
        {"a", "b", "c", "x", "y", "z", "x"},
    };
    for (const auto& order : orders) {
        SCOPED_TRACE(::testing::PrintToString(order));
        cJson doc;
        ASSERT_TRUE(doc.Parse(R"({"a":1,"b":{"inner":2},"c":[{"n":1}]})"));
        auto* root = static_cast<JsonNode*>(doc.Root());
        int missing = 0;
        std::vector<std::string> seen;
        for (const std::string& key : order) {
            cJson::Node* node = root->Get(key.c_str());
            const bool member = key == "a" || key == "b" || key == "c";
            EXPECT_EQ(node != nullptr, member) << key;
            if (!member && std::find(seen.begin(), seen.end(), key) == seen.end()) ++missing;
            seen.push_back(key);
        }
        EXPECT_EQ(root->Members().EntryCount(), 3 + missing);

        root->Clear();
        EXPECT_EQ(root->Members().EntryCount(), 3) << "only the entries emptied by Clear remain";
        for (const char* key : {"a", "b", "c", "missing"}) EXPECT_EQ(root->Get(key), nullptr) << key;
        EXPECT_EQ(root->Members().EntryCount(), 4) << "the new miss leaves one entry";
        root->Clear();
        EXPECT_EQ(root->Members().EntryCount(), 0);
    }
}

TEST(JsonNodeModel, BucketIndexIsTheKeysLastEightBytesModulo999) {
    MemberTable table;
    const struct {
        const char* key;
        int32_t bucket;
    } cases[] = {
        {"", 0},           {"a", 97},          {"H\x04", 97},        {"ab", 210},           {"abcdefgh", 597},
        {"xabcdefgh", 597}, {"version", 591},  {"head-node", 426},   {"time-remaining", 453},
        {"xyz-remaining", 453},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(table.BucketIndex(c.key), c.bucket);
    }
}

TEST(JsonNodeModel, KeysSharingABucketFindTheirOwnMembers) {
    cJson doc;
    ASSERT_TRUE(doc.Parse("{\"time-remaining\":1,\"xyz-remaining\":2,\"a\":3,\"H\x04\":4,\"abcdefgh\":5,\"xabcdefgh\":6}"));
    const struct {
        const char* key;
        const char* value;
    } cases[] = {{"time-remaining", "1"}, {"xyz-remaining", "2"}, {"a", "3"}, {"H\x04", "4"},
                 {"abcdefgh", "5"},       {"xabcdefgh", "6"},     {"remaining", nullptr}};
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.key);
            cJson::Node* node = doc.Root()->Get(c.key);
            if (!c.value) {
                EXPECT_EQ(node, nullptr);
                continue;
            }
            ASSERT_NE(node, nullptr);
            EXPECT_STREQ(node->GetString(), c.value);
        }
    }
}

TEST(JsonNodeModel, ElementsAreFoundOnlyInsideTheArray) {
    cJson doc;
    ASSERT_TRUE(doc.Parse(kMixed));
    cJson::Node* list = doc.Root()->Get("list");
    ASSERT_NE(list, nullptr);
    const struct {
        int index;
        const char* name;
    } cases[] = {{-1, nullptr}, {0, "a.bin"}, {1, "b.bin"}, {2, nullptr}, {INT_MAX, nullptr}, {INT_MIN, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(list->Child(c.index), list->Get(c.index));
        cJson::Node* element = list->Child(c.index);
        if (!c.name) {
            EXPECT_EQ(element, nullptr);
            continue;
        }
        ASSERT_NE(element, nullptr);
        EXPECT_STREQ(element->Child("Name")->GetString(), c.name);
    }
    list->Clear();
    EXPECT_EQ(list->Child(0), nullptr);
    EXPECT_STREQ(list->GetString(), "cJson::Node::eJsonNodes");
}

TEST(JsonNodeModel, KeysLongerThanAnEntryHoldsAreRefused) {
    for (size_t length : {size_t{126}, size_t{127}, size_t{128}, size_t{200}}) {
        SCOPED_TRACE(length);
        MemberTable table;
        const std::string key(length, 'k');
        auto* node = new JsonValue("k", "1");
        const bool fits = length <= 127;
        const bool added = table.Add(key.c_str(), node);
        EXPECT_EQ(added, fits);
        if (!added) delete node;
        EXPECT_EQ(table.Lookup(key.c_str()), fits ? node : nullptr);
        EXPECT_EQ(table.EntryCount(), fits ? 1 : 0) << "a lookup with a key too long leaves nothing";
        auto* second = new JsonValue("k", "2");
        EXPECT_FALSE(table.Add(key.c_str(), second)) << "held already, or too long";
        delete second;
    }
}

}  // namespace
