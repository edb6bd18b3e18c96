#include "json/JsonNode.h"

JsonNode::JsonNode() : JsonNode("") {}

JsonNode::JsonNode(const char* nodeKey) : cJson::Node(eJsonNode, nodeKey) { SetTypeName("cJson::Node::eJsonNode"); }

JsonNode::~JsonNode() = default;  // the table clears itself first, then releases its entries

void JsonNode::Clear() { members.Clear(); }

cJson::Node* JsonNode::Child(const char* name) { return members.Lookup(name); }
