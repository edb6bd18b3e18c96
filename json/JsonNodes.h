#pragma once
#include <cstdint>

#include "json/JsonNode.h"
#include "json/cJson.h"

// An array of objects, held as one contiguous block of elements.
class JsonNodes : public cJson::Node {
public:
    explicit JsonNodes(const char* nodeKey);
    ~JsonNodes() override;

    using cJson::Node::Child;
    void Clear() override;
    // None outside 0 to count - 1. There is no operation for the count: documents carry it in a
    // member of their own.
    cJson::Node* Child(int index) override;

private:
    friend class cJson;
    void Allocate(int32_t elementCount);

    JsonNode* elements = nullptr;
    int32_t count = 0;
};
