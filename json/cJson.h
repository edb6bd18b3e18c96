#pragma once
#include <cstddef>
#include <cstdint>

class JsonNode;
class JsonNodes;

// A JSON document as the program keeps it: a tree of nodes filled once by a forward scanner over
// delimiters and afterwards only read. The scanner keeps every scalar as raw text (no escape
// sequences, no syntax errors) and reads the subset of JSON that the layout document and the
// download manifests are written in; readers turn missing members into their own defaults.
class cJson {
public:
    // Base of every node. Scalars are text; a reader asks for the conversion it needs, and every
    // question a node cannot answer gives none or 0, so readers never test a node's kind.
    class Node {
    public:
        enum Kind : int32_t { eJsonValue = 0, eJsonNode = 1, eJsonValues = 2, eJsonNodes = 3 };
        static constexpr size_t kTypeNameCapacity = 64;
        static constexpr size_t kKeyCapacity = 256;

        Node(const Node&) = delete;
        Node& operator=(const Node&) = delete;

        virtual ~Node();
        virtual void Clear();
        // A container answers with its type name, a scalar with its text.
        virtual const char* GetString();
        virtual const wchar_t* GetWString();
        virtual int32_t GetInt();
        virtual int64_t GetInt64();
        virtual int32_t GetHex();
        virtual int64_t GetHex64();
        virtual Node* Child(const char* name);
        virtual Node* Child(int index);
        // The same as Child; readers use Get on a document's root and Child below it.
        virtual Node* Get(const char* name);
        virtual Node* Get(int index);

        Kind GetKind() const { return static_cast<Kind>(kind); }
        const char* GetKey() const { return key; }

    protected:
        // The type name starts as the base's text; containers overwrite it with their own.
        Node(Kind nodeKind, const char* nodeKey);
        void SetTypeName(const char* name);

        int32_t kind;
        char typeName[kTypeNameCapacity];
        char key[kKeyCapacity];
    };

    // Objects nested deeper than this are not read: each level is one call of ParseMembers with
    // its own 1.3 KB of buffers, and a text of nothing but '{' must not run the stack out.
    static constexpr int kMaxDepth = 64;

    cJson() = default;
    ~cJson();
    cJson(const cJson&) = delete;
    cJson& operator=(const cJson&) = delete;

    // Builds a new tree from a NUL-terminated text. False only when the text (after white space)
    // does not start with '{'; the document is then unchanged.
    bool Parse(const char* text);
    // Empties the tree held, then reads and parses the whole file. False only when the file
    // cannot be opened.
    bool Load(const char* path);
    // Fills the document from the layout document compiled into the program. False when the
    // program holds no such resource; a resource that cannot be read whole ends the process.
    bool LoadFromResource();

    // The root object ("head-node"); none until a text has been parsed.
    Node* Root() const;

private:
    static void ParseMembers(const char*& cursor, JsonNode* object, int depth);
    static void ParseArray(const char*& cursor, JsonNodes* array, int depth);

    JsonNode* root = nullptr;
};
