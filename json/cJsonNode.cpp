#include "json/cJson.h"

#include <cstring>

namespace {
void CopyBounded(char* out, size_t capacity, const char* text) {
    size_t n = text ? std::strlen(text) : 0;
    if (n > capacity - 1) n = capacity - 1;
    std::memcpy(out, text ? text : "", n);
    out[n] = '\0';
}
}  // namespace

cJson::Node::Node(Kind nodeKind, const char* nodeKey) : kind(nodeKind) {
    CopyBounded(typeName, sizeof typeName, "cJson::Node");
    CopyBounded(key, sizeof key, nodeKey);
}

void cJson::Node::SetTypeName(const char* name) { CopyBounded(typeName, sizeof typeName, name); }

cJson::Node::~Node() = default;

void cJson::Node::Clear() {}

const char* cJson::Node::GetString() { return typeName; }

const wchar_t* cJson::Node::GetWString() { return nullptr; }

int32_t cJson::Node::GetInt() { return 0; }

int64_t cJson::Node::GetInt64() { return 0; }

int32_t cJson::Node::GetHex() { return 0; }

int64_t cJson::Node::GetHex64() { return 0; }

cJson::Node* cJson::Node::Child(const char*) { return nullptr; }

cJson::Node* cJson::Node::Child(int) { return nullptr; }

cJson::Node* cJson::Node::Get(const char* name) { return Child(name); }

cJson::Node* cJson::Node::Get(int index) { return Child(index); }
