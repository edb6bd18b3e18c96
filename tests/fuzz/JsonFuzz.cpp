// libFuzzer target for the JSON scanner and node model: any text is parsed, then every node that
// can be reached is asked every question the node interface has, cleared and destroyed.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "json/cJson.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

std::vector<std::string> KnownKeys() {
    std::vector<std::string> keys = {
        "version", "created", "window-title", "bg-image", "use-local-resource", "server-url", "folder", "font",
        "text", "button", "progressbar", "message-box", "title", "exit", "error", "default", "x", "y", "name",
        "size", "alpha", "color", "bold", "value", "tag", "launch", "start", "pause", "cancel", "normal", "over",
        "down", "disable", "total", "width", "height", "bg-color", "fg-color", "draw-rate-text", "time-remaining",
        "elapse-time", "total-recv", "total-size", "Version", "TotalCount", "TotalSize", "URL", "FileList", "Name",
        "Size", "head-node", "", "a", "b", "missing", "VERSION", "xyz-remaining"};
    keys.push_back(std::string(127, 'k'));
    keys.push_back(std::string(128, 'k'));
    keys.push_back(std::string(300, 'k'));
    return keys;
}

// Texts between double quotes in the input, so that the walk also reaches members the fuzzer
// made up.
void KeysFromInput(const std::string& text, std::vector<std::string>* keys) {
    size_t at = 0;
    for (int taken = 0; taken < 32; ++taken) {
        const size_t open = text.find('"', at);
        if (open == std::string::npos) return;
        const size_t close = text.find('"', open + 1);
        if (close == std::string::npos) return;
        keys->push_back(text.substr(open + 1, close - open - 1));
        at = close + 1;
    }
}

int32_t Clamp32(int64_t v) { return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v); }

void Ask(cJson::Node* node) {
    const char* text = node->GetString();
    const wchar_t* wide = node->GetWString();
    if (node->GetKind() == cJson::Node::eJsonValue) {
        if (!text) {  // cleared
            Check(!wide && node->GetInt() == 0 && node->GetInt64() == 0 && node->GetHex() == 0 && node->GetHex64() == 0);
            return;
        }
        Check(std::strlen(text) < 1024);
        Check(wide && node->GetWString() == wide);
        Check(std::wcslen(wide) <= std::strlen(text));
        Check(node->GetInt() == Clamp32(node->GetInt64()));
        Check(node->GetHex() == Clamp32(node->GetHex64()));
    } else {
        Check(text && std::strlen(text) < cJson::Node::kTypeNameCapacity);
        Check(!wide && node->GetInt() == 0 && node->GetInt64() == 0 && node->GetHex() == 0 && node->GetHex64() == 0);
    }
    Check(std::strlen(node->GetKey()) < cJson::Node::kKeyCapacity);
}

// clearAfter: each node is cleared once it has been read, children first.
void Walk(cJson::Node* node, const std::vector<std::string>& keys, bool clearAfter, int depth) {
    Check(depth <= 2 * cJson::kMaxDepth);  // an array and its element are two nodes, one level
    Ask(node);
    for (const std::string& key : keys) {
        cJson::Node* child = node->Child(key.c_str());
        Check(node->Get(key.c_str()) == child);
        if (child) Walk(child, keys, clearAfter, depth + 1);
    }
    for (int index : {INT_MIN, -1}) Check(!node->Child(index) && !node->Get(index));
    int index = 0;
    for (; index < 1 << 16; ++index) {
        cJson::Node* element = node->Child(index);
        Check(node->Get(index) == element);
        if (!element) break;
        Check(element->GetKey()[0] == '\0');
        Walk(element, keys, clearAfter, depth + 1);
    }
    Check(!node->Child(index + 1) && !node->Child(INT_MAX));
    if (clearAfter) {
        node->Clear();
        Ask(node);
        Check(!node->Child(0) && !node->Child("a"));
        node->Clear();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // c_str() ends it with a NUL
    static const std::vector<std::string> known = KnownKeys();
    std::vector<std::string> keys = known;
    KeysFromInput(text, &keys);
    std::sort(keys.begin() + static_cast<std::ptrdiff_t>(known.size()), keys.end());
    keys.erase(std::unique(keys.begin() + static_cast<std::ptrdiff_t>(known.size()), keys.end()), keys.end());

    cJson doc;
    const bool parsed = doc.Parse(text.c_str());
    Check(parsed == (doc.Root() != nullptr));
    if (!parsed) return 0;
    Check(std::strcmp(doc.Root()->GetKey(), "head-node") == 0);

    // Every lookup is made twice (Child, then Get), so the second finds what the first left.
    Walk(doc.Root(), keys, false, 0);
    Walk(doc.Root(), keys, true, 0);
    doc.Root()->Clear();
    Walk(doc.Root(), keys, false, 0);

    // A second parse destroys the tree that the walks have changed; the document destroys the
    // fresh one.
    Check(doc.Parse(text.c_str()));
    return 0;
}
