#pragma once
#include <cstdint>

#include "json/cJson.h"

// An array of scalars or an empty array. The scanner records that the member exists but reads
// none of its content, so a reader sees it only by its type name.
class JsonValues : public cJson::Node {
public:
    explicit JsonValues(const char* nodeKey);
    ~JsonValues() override;

    void Clear() override;

private:
    int32_t count = 0;
    char** texts = nullptr;
};
