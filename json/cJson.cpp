#include "json/cJson.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "json/JsonNode.h"
#include "json/JsonNodes.h"
#include "json/JsonValue.h"
#include "json/JsonValues.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/Resource.h"

// The scanner walks the text with one cursor that only moves forward and stops at the text's NUL:
// every search below ends there, and the cursor steps over a character only after looking at it.
// What is cut from the text goes into fixed buffers of each level, bounded before copying.

namespace {

constexpr size_t kKeyBuffer = 256;     // a key is cut to 255 bytes (entries keep at most 127)
constexpr size_t kValueBuffer = 1024;  // a value text is cut to 1,023 bytes

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void SkipWhite(const char*& p) {
    while (IsWhite(*p)) ++p;
}

void ToEnd(const char*& p) { p += std::strlen(p); }

const char* Find(const char* p, char c) {
    while (*p && *p != c) ++p;
    return p;
}

const char* FindValueEnd(const char* p) {
    while (*p && *p != ',' && *p != '}') ++p;
    return p;
}

// length bytes from begin, cut to the buffer, without trailing white space and quotes.
void Cut(const char* begin, size_t length, char* buffer, size_t capacity) {
    size_t n = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(buffer, begin, n);
    while (n > 0 && (IsWhite(buffer[n - 1]) || buffer[n - 1] == '"')) --n;
    buffer[n] = '\0';
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

cJson::~cJson() { delete root; }

cJson::Node* cJson::Root() const { return root; }

bool cJson::Parse(const char* text) {
    if (!text) return false;
    const char* cursor = text;
    SkipWhite(cursor);
    if (*cursor != '{') return false;
    ++cursor;
    JsonNode* fresh = new JsonNode("head-node");
    delete root;
    root = fresh;
    ParseMembers(cursor, root, 1);
    return true;
}

void cJson::ParseMembers(const char*& cursor, JsonNode* object, int depth) {
    char key[kKeyBuffer];
    char value[kValueBuffer];
    // A member is added unless its object holds the key already (the first of two equal keys
    // stays) or the key is longer than an entry holds; such a member is read all the same and
    // then dropped, so that the cursor stays in step with the text.
    const auto add = [object, &key](std::unique_ptr<Node> node) {
        if (object->members.Add(key, node.get())) node.release();
    };
    if (!*cursor) return;
    for (;;) {
        SkipWhite(cursor);
        // An object closed where a key should start ("{}" or a trailing ",}") ends here; the
        // search for the next ':' would otherwise run on into the enclosing object.
        if (*cursor == '}') {
            ++cursor;
            return;
        }
        if (*cursor == '"') ++cursor;

        // The key ends one character before the ':', normally at its closing quote.
        const char* colon = Find(cursor, ':');
        if (!*colon) {  // the text ends inside a key: nothing more to read
            cursor = colon;
            return;
        }
        const size_t span = static_cast<size_t>(colon - cursor);
        Cut(cursor, span > 0 ? span - 1 : 0, key, sizeof key);
        cursor = colon + 1;
        SkipWhite(cursor);

        bool scalar = false;
        if (*cursor == '{') {
            ++cursor;
            if (depth >= kMaxDepth) {  // too deep to read: stop the whole parse here
                ToEnd(cursor);
                return;
            }
            auto child = std::make_unique<JsonNode>(key);
            ParseMembers(cursor, child.get(), depth + 1);
            add(std::move(child));
        } else if (*cursor == '[') {
            ++cursor;
            SkipWhite(cursor);
            if (*cursor == '{') {
                if (depth >= kMaxDepth) {  // the elements would lie one level too deep
                    ToEnd(cursor);
                    return;
                }
                auto array = std::make_unique<JsonNodes>(key);
                ParseArray(cursor, array.get(), depth);
                add(std::move(array));
            } else {
                // An array of scalars is recorded but not read, and it ends this object's members:
                // what follows is left to the enclosing level.
                add(std::make_unique<JsonValues>(key));
            }
            SkipWhite(cursor);
            if (*cursor == ',') {
                ++cursor;
                if (!*cursor) return;
                continue;
            }
            if (*cursor == '}') ++cursor;
            return;
        } else {
            scalar = true;
        }

        // After a nested object the text up to the delimiter is dropped.
        const char* start = cursor;
        if (*start == '"') ++start;
        const char* end = FindValueEnd(start);
        if (!*end) {
            // The text ends inside the value. It is not stored: a text cut short would otherwise
            // give a cut number ("30" of 300) that reads as a valid one.
            cursor = end;
            return;
        }
        if (scalar) {
            Cut(start, static_cast<size_t>(end - start), value, sizeof value);
            add(std::make_unique<JsonValue>(key, value));
        }
        cursor = end + 1;
        if (*end == '}' || !*cursor) return;
    }
}

// The elements are counted as the '{' up to the first ']', which holds for flat objects only.
void cJson::ParseArray(const char*& cursor, JsonNodes* array, int depth) {
    int32_t count = 0;
    const char* p = cursor;
    for (; *p && *p != ']'; ++p)
        if (*p == '{' && count < INT32_MAX) ++count;
    if (!*p) return;  // no ']': no elements, and the cursor stays

    array->Allocate(count);
    ++cursor;
    for (int32_t i = 0; i < count; ++i) {
        SkipWhite(cursor);
        if (*cursor == ',') {
            ++cursor;
            SkipWhite(cursor);
            if (*cursor == '{') ++cursor;
        }
        ParseMembers(cursor, &array->elements[i], depth + 1);
    }
    cursor = Find(cursor, ']');
    if (*cursor) ++cursor;
}

bool cJson::Load(const char* path) {
    if (root) root->Clear();
    std::unique_ptr<FILE, FileCloser> file(platform::OpenFile(path, "rb"));
    if (!file) return false;

    const long long here = platform::Tell64(file.get());
    long long length = 0;
    if (here >= 0 && platform::Seek64(file.get(), 0, SEEK_END)) {
        length = platform::Tell64(file.get());
        platform::Seek64(file.get(), here, SEEK_SET);
    }
    if (length < 0) length = 0;
    // A file beyond the address space cannot be held; on a 32-bit build size_t would cut its length.
    if (static_cast<unsigned long long>(length) >= static_cast<unsigned long long>(SIZE_MAX)) throw std::bad_alloc();

    const size_t size = static_cast<size_t>(length);
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    const size_t got = size ? std::fread(buffer.get(), 1, size, file.get()) : 0;
    buffer[got] = '\0';  // a NUL inside the file ends the text there as well
    Parse(buffer.get());
    return true;
}

bool cJson::LoadFromResource() {
    std::string bytes;
    uint32_t announced = 0;
    if (!platform::ReadRcData(platform::kLayoutResource, &bytes, &announced)) return false;
    if (bytes.size() < announced) {
        ShowMessage("json error -34", platform::kIconWarning);
        TerminateProcessNow(-34);
    }
    bytes.resize(announced);  // the announced bytes, NUL-terminated by the string
    Parse(bytes.c_str());
    return true;
}
