#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/cJson.h"
#include "tests/json/JsonPath.h"

namespace {
using json_test::At;
using Path = std::vector<std::string>;

struct Expect {
    Path path;
    const char* text;  // what GetString answers; nullptr: the member is absent
};

struct Case {
    const char* name;
    std::string input;
    bool parses;
    std::vector<Expect> expects;
};

constexpr const char* kObject = "cJson::Node::eJsonNode";
constexpr const char* kObjects = "cJson::Node::eJsonNodes";
constexpr const char* kScalars = "cJson::Node::eJsonValues";

// n objects, each the member "a" of the one around it, with inner at the bottom.
std::string Nest(int n, const std::string& inner) {
    std::string out;
    for (int i = 0; i < n; ++i) out += "{\"a\":";
    out += inner;
    out.append(static_cast<size_t>(n), '}');
    return out;
}

Path A(int n, const char* last = nullptr) {
    Path p(static_cast<size_t>(n), "a");
    if (last) p.push_back(last);
    return p;
}

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cJson doc;
        EXPECT_EQ(doc.Parse(c.input.c_str()), c.parses);
        EXPECT_EQ(doc.Root() != nullptr, c.parses);
        for (const Expect& e : c.expects) {
            SCOPED_TRACE(json_test::Join(e.path));
            cJson::Node* node = At(doc, e.path);
            if (!e.text) {
                EXPECT_EQ(node, nullptr);
                continue;
            }
            ASSERT_NE(node, nullptr);
            EXPECT_STREQ(node->GetString(), e.text);
        }
    }
}

TEST(JsonScanner, ReadsTheSubsetTheDocumentsAreWrittenIn) {
    RunCases({
        {"white space before the object", " \t\r\n{\"a\":1}", true, {{{"a"}, "1"}}},
        {"number then white space then comma", R"({"x" : 128 , "y":343 })", true, {{{"x"}, "128"}, {{"y"}, "343"}}},
        {"number right before comma", R"({"x":128,"y":343})", true, {{{"x"}, "128"}, {{"y"}, "343"}}},
        {"literals and strings are texts",
         R"({"t":true,"f":false,"n":null,"e":"","s":"  two words  ","neg":-3.5e2})",
         true,
         {{{"t"}, "true"}, {{"f"}, "false"}, {{"n"}, "null"}, {{"e"}, ""}, {{"s"}, "  two words"}, {{"neg"}, "-3.5e2"}}},
        {"white space around the colon", "{\n\t\"key\"  \r\n:\n \"v\"\n}", true, {{{"key"}, "v"}}},
        {"backslashes stay as written",
         R"({"default" : "c:\download\mx-b\", "q":"a\"b", "nl":"a\nb"})",
         true,
         {{{"default"}, R"(c:\download\mx-b\)"}, {{"q"}, R"(a\"b)"}, {{"nl"}, R"(a\nb)"}}},
        {"a colon inside a value is text", R"({"URL":"http://127.0.0.1:18080/x/","n":1})", true,
         {{{"URL"}, "http://127.0.0.1:18080/x/"}, {{"n"}, "1"}}},
        {"the first of two equal keys stays, at every level",
         R"({"a":1,"a":2,"o":{"x":1},"o":{"x":2,"y":3},"after":4})",
         true,
         {{{"a"}, "1"}, {{"o", "x"}, "1"}, {{"o", "y"}, nullptr}, {{"after"}, "4"}}},
        {"a member after an object two levels deep lands at the top",
         R"({"a":{"b":{"c":1}},"d":2})",
         true,
         {{{"a", "b", "c"}, "1"}, {{"d"}, "2"}, {{"a", "d"}, nullptr}, {{"a", "b", "d"}, nullptr}}},
        {"a member after a nested object ending in an array lands in the outer object",
         R"({"outer":{"inner":{"v":1,"list":[{"n":1},{"n":2}]},"after":3},"top":4})",
         true,
         {{{"outer", "inner", "list", "#1", "n"}, "2"},
          {{"outer", "inner", "v"}, "1"},
          {{"outer", "after"}, "3"},
          {{"outer", "inner", "after"}, nullptr},
          {{"top"}, "4"}}},
        {"manifest",
         R"({"Version":3,"TotalCount":2,"TotalSize":300,"URL":"http://127.0.0.1/x/",)"
         R"("FileList":[{"Name":"a.bin","Size":100},{"Name":"d/b.exe","Size":200}],"Launch":"d/b.exe"})",
         true,
         {{{"Version"}, "3"},
          {{"TotalSize"}, "300"},
          {{"URL"}, "http://127.0.0.1/x/"},
          {{"FileList"}, kObjects},
          {{"FileList", "#0", "Name"}, "a.bin"},
          {{"FileList", "#0", "Size"}, "100"},
          {{"FileList", "#1", "Name"}, "d/b.exe"},
          {{"FileList", "#1", "Size"}, "200"},
          {{"FileList", "#2"}, nullptr},
          {{"Launch"}, "d/b.exe"}}},
        {"manifest written with line breaks",
         "{\r\n  \"FileList\" : [\r\n    { \"Name\" : \"a.bin\", \"Size\" : 100 } ,\r\n"
         "    { \"Name\" : \"b.bin\", \"Size\" : 200 }\r\n  ] ,\r\n  \"TotalCount\" : 2\r\n}\r\n",
         true,
         {{{"FileList", "#0", "Size"}, "100"}, {{"FileList", "#1", "Name"}, "b.bin"}, {{"TotalCount"}, "2"}}},
        {"text after the object is ignored", R"({"a":1}{"b":2} "c":3})", true, {{{"a"}, "1"}, {{"b"}, nullptr}}},
    });
}

TEST(JsonScanner, OnlyAnObjectMakesADocument) {
    RunCases({
        {"empty", "", false, {}},
        {"white space only", " \r\n\t", false, {}},
        {"array", R"([{"a":1}])", false, {}},
        {"a member without its braces", R"("a":1)", false, {}},
        {"vertical tab is not white space here", "\v{\"a\":1}", false, {}},
        {"empty object", "{}", true, {{{"a"}, nullptr}}},
    });

    cJson doc;
    ASSERT_TRUE(doc.Parse(R"({"a":1})"));
    cJson::Node* root = doc.Root();
    EXPECT_FALSE(doc.Parse(R"([{"a":2}])"));
    EXPECT_EQ(doc.Root(), root) << "the document is unchanged";
    EXPECT_STREQ(doc.Root()->Get("a")->GetString(), "1");
    EXPECT_FALSE(doc.Parse(nullptr));
    ASSERT_TRUE(doc.Parse(R"({"b":2})"));
    EXPECT_EQ(doc.Root()->Get("a"), nullptr) << "a new text makes a new tree";
    EXPECT_STREQ(doc.Root()->Get("b")->GetString(), "2");
}

// Input outside the subset. Beyond never reading or writing out of bounds, these rows fix what
// the scanner makes of it.
TEST(JsonScanner, ArraysOtherThanFlatObjectsAreRecordedButNotRead) {
    RunCases({
        {"an array of scalars ends its object's members", R"({"list":[1,2],"after":1})", true,
         {{{"list"}, kScalars}, {{"after"}, nullptr}}},
        {"an empty array as well", R"({"e":[ ],"after":1})", true, {{{"e"}, kScalars}, {{"after"}, nullptr}}},
        {"inside a nested object", R"({"o":{"list":["x"],"lost":1},"kept":2})", true,
         {{{"o", "list"}, kScalars}, {{"o", "lost"}, nullptr}, {{"kept"}, nullptr}}},
        {"an array of scalars last in its object", R"({"a":1,"o":{"list":[1]},"b":2})", true,
         {{{"a"}, "1"}, {{"o", "list"}, kScalars}}},
        {"arrays of arrays", R"({"a":[[1,2],[3]],"b":1})", true, {{{"a"}, kScalars}, {{"b"}, nullptr}}},
        {"an array of objects inside an element", R"({"a":[{"b":[{"c":1}]}],"d":2})", true,
         {{{"a", "#0", "b", "#0", "c"}, "1"}}},
        {"an object inside an element", R"({"a":[{"b":{"c":1}},{"d":2}],"e":3})", true,
         {{{"a", "#0", "b", "c"}, "1"}, {{"a", "#1", "d"}, "2"}}},
    });
}

TEST(JsonScanner, EmptyObjectsAndTrailingCommasCloseTheirObject) {
    RunCases({
        {"empty member object", R"({"o":{},"a":1})", true, {{{"o"}, kObject}, {{"a"}, "1"}}},
        {"empty object with white space", "{\"o\":{ \n },\"a\":1}", true, {{{"o"}, kObject}, {{"a"}, "1"}}},
        {"trailing comma", R"({"o":{"x":1,},"b":2,})", true, {{{"o", "x"}, "1"}, {{"b"}, "2"}}},
    });
}

TEST(JsonScanner, ATextCutShortKeepsOnlyTheMembersItCompletes) {
    RunCases({
        {"inside a key", "{\"abc", true, {{{"abc"}, nullptr}}},
        {"after a key", "{\"a\":1,\"b\"", true, {{{"a"}, "1"}, {{"b"}, nullptr}}},
        {"after the colon", "{\"a\":", true, {{{"a"}, nullptr}}},
        {"inside a number", "{\"a\":1,\"b\":30", true, {{{"a"}, "1"}, {{"b"}, nullptr}}},
        {"inside a string", "{\"a\":\"xyz", true, {{{"a"}, nullptr}}},
        {"after a comma", "{\"a\":1,", true, {{{"a"}, "1"}}},
        {"inside a nested object", "{\"a\":{\"b\":1", true, {{{"a"}, kObject}, {{"a", "b"}, nullptr}}},
        {"right after an opening bracket", "{\"a\":[", true, {{{"a"}, kScalars}}},
        {"inside an array of objects", "{\"a\":[{\"b\":1}", true, {{{"a"}, kObjects}, {{"a", "#0"}, nullptr}}},
        {"inside a later element", "{\"a\":[{\"b\":1},{\"c\":2", true, {{{"a", "#0"}, nullptr}}},
    });
}

TEST(JsonScanner, StrayDelimitersNeverLeadOutsideTheText) {
    RunCases({
        {"opening braces only", "{{{{", true, {}},
        {"closing braces", "{}}}}", true, {}},
        {"empty value before a brace", "{\"a\":}}}}", true, {{{"a"}, ""}}},
        {"a bracket for a key", "{]", true, {}},
        {"a bracket for a value", "{\"a\":]", true, {{{"a"}, nullptr}}},
        {"colons", "{:::::", true, {}},
        {"commas", "{,,,,}", true, {}},
        {"the empty key", "{\":1}", true, {{{""}, "1"}}},
        {"a quote and nothing else", "{\"", true, {}},
        {"a comma inside a string cuts it", R"({"a":"x,y","b":1})", true, {{{"a"}, "x"}, {{"b"}, nullptr}}},
        {"a colon inside a key", R"({"a:b":1})", true, {{{"a:b"}, nullptr}}},
        {"brackets out of order", "{\"a\":[}]{[\"b\":[{]}", true, {}},
    });
}

TEST(JsonScanner, KeysAndValuesBeyondTheirBuffersAreCutOrRefused) {
    const std::string k127(127, 'k'), k128(128, 'k'), k255(255, 'k'), k256(256, 'k'), k5000(5000, 'k');
    const std::string v1023(1023, 'v'), v1024(1024, 'v'), v5000(5000, 'v');
    auto member = [](const std::string& key, const std::string& value) {
        return "{\"" + key + "\":\"" + value + "\",\"next\":\"n\"}";
    };
    RunCases({
        {"key of 127 bytes", member(k127, "x"), true, {{{k127}, "x"}, {{"next"}, "n"}}},
        {"key of 128 bytes is refused", member(k128, "x"), true, {{{k128}, nullptr}, {{"next"}, "n"}}},
        {"key of 255 bytes is refused", member(k255, "x"), true, {{{k255}, nullptr}, {{"next"}, "n"}}},
        {"key of 256 bytes is refused", member(k256, "x"), true, {{{k256}, nullptr}, {{"next"}, "n"}}},
        {"key of 5000 bytes is refused", member(k5000, "x"), true, {{{k127}, nullptr}, {{"next"}, "n"}}},
        {"an object under a long key is read and dropped", "{\"" + k128 + "\":{\"a\":{\"b\":1}},\"next\":\"n\"}", true,
         {{{"a"}, nullptr}, {{"next"}, "n"}}},
        {"value of 1023 bytes", member("a", v1023), true, {{{"a"}, v1023.c_str()}, {{"next"}, "n"}}},
        {"value of 1024 bytes keeps 1023", member("a", v1024), true, {{{"a"}, v1023.c_str()}, {{"next"}, "n"}}},
        {"value of 5000 bytes keeps 1023", member("a", v5000), true, {{{"a"}, v1023.c_str()}, {{"next"}, "n"}}},
        {"number of 5000 digits", "{\"a\":" + std::string(5000, '7') + ",\"next\":\"n\"}", true,
         {{{"a"}, std::string(1023, '7').c_str()}, {{"next"}, "n"}}},
    });
}

TEST(JsonScanner, NestingIsReadTo64LevelsAndNoDeeper) {
    RunCases({
        {"64 levels", Nest(64, "1"), true, {{A(63), kObject}, {A(64), "1"}}},
        {"65 levels: the deepest is not read", Nest(65, "1"), true, {{A(63), kObject}, {A(64), nullptr}}},
        {"members after an object at the limit are read", "{\"deep\":" + Nest(63, "1") + ",\"after\":2}", true,
         {{{"after"}, "2"}}},
        {"nothing after an object beyond the limit is read", "{\"deep\":" + Nest(64, "1") + ",\"after\":2}", true,
         {{{"after"}, nullptr}}},
        {"100000 opening braces", std::string(100000, '{'), true, {}},
        {"a deep chain of objects", Nest(100000, "1"), true, {{A(63), kObject}, {A(64), nullptr}}},
    });

}

}  // namespace
