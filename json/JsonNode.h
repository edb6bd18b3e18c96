#pragma once
#include "json/MemberTable.h"
#include "json/cJson.h"

// An object: its members by key.
class JsonNode : public cJson::Node {
public:
    // The elements of an array of objects have no key.
    JsonNode();
    explicit JsonNode(const char* nodeKey);
    ~JsonNode() override;

    using cJson::Node::Child;
    void Clear() override;
    cJson::Node* Child(const char* name) override;

    const MemberTable& Members() const { return members; }

private:
    friend class cJson;  // the scanner fills objects; nothing else adds members

    MemberTable members;
};
