#include "json/JsonValues.h"

JsonValues::JsonValues(const char* nodeKey) : cJson::Node(eJsonValues, nodeKey) { SetTypeName("cJson::Node::eJsonValues"); }

JsonValues::~JsonValues() { Clear(); }

void JsonValues::Clear() {
    for (int32_t i = 0; i < count; ++i) delete[] texts[i];
    delete[] texts;
    texts = nullptr;
    count = 0;
}
