#include "json/JsonNodes.h"

JsonNodes::JsonNodes(const char* nodeKey) : cJson::Node(eJsonNodes, nodeKey) { SetTypeName("cJson::Node::eJsonNodes"); }

JsonNodes::~JsonNodes() { delete[] elements; }

void JsonNodes::Allocate(int32_t elementCount) {
    Clear();
    if (elementCount <= 0) return;
    elements = new JsonNode[elementCount];
    count = elementCount;
}

void JsonNodes::Clear() {
    delete[] elements;
    elements = nullptr;
    count = 0;
}

cJson::Node* JsonNodes::Child(int index) {
    if (!elements || index < 0 || index >= count) return nullptr;
    return &elements[index];
}
