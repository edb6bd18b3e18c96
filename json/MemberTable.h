#pragma once
#include <cstddef>
#include <cstdint>

#include "json/cJson.h"

// One member of an object. An entry may hold no node: a lookup of a missing key leaves one behind.
struct MemberEntry {
    static constexpr size_t kKeyCapacity = 128;

    explicit MemberEntry(const char* entryKey);
    ~MemberEntry();
    MemberEntry(const MemberEntry&) = delete;
    MemberEntry& operator=(const MemberEntry&) = delete;

    char* key;                       // owned copy, kKeyCapacity bytes
    cJson::Node* node = nullptr;     // owned by the object; none for an entry left by a lookup
    MemberEntry* chainNext = nullptr;
    MemberEntry* chainPrev = nullptr;
    MemberEntry* older = nullptr;    // list of all entries, newest first
    MemberEntry* newer = nullptr;
};

// The members of one object: a chained hash table, and a list through all entries, newest first,
// which Clear walks.
class MemberTable {
public:
    static constexpr int32_t kBucketCount = 999;
    // Longer keys do not fit an entry: such a member is refused, and a lookup with such a key
    // finds nothing and leaves nothing behind.
    static constexpr size_t kMaxKeyLength = MemberEntry::kKeyCapacity - 1;

    MemberTable();
    ~MemberTable();
    MemberTable(const MemberTable&) = delete;
    MemberTable& operator=(const MemberTable&) = delete;

    // The member's node, or none. A key with no entry gets an empty one, so that asking again
    // finds that entry.
    cJson::Node* Lookup(const char* key);
    // Takes ownership of node and returns true, unless the table already holds a node under key
    // or the key is too long; the caller keeps node then.
    bool Add(const char* key, cJson::Node* node);
    // Destroys every member node. Entries left empty before are removed on the way; the entries
    // emptied here keep their keys until the table dies.
    void Clear();

    // The last 8 bytes of the key as a little-endian number (all of a shorter key, first byte
    // lowest), modulo the bucket count.
    int32_t BucketIndex(const char* key) const;
    // Entries on the list, empty ones included.
    int32_t EntryCount() const;

private:
    MemberEntry* FindEntry(const char* key, int32_t bucket) const;
    MemberEntry* NewEntry(const char* key, int32_t bucket);
    void Unlink(MemberEntry* entry);
    // Moves the walk cursor to the first entry from start on that holds a node, removing the
    // empty ones it passes.
    MemberEntry* WalkFrom(MemberEntry* start);

    // Made with the first entry, all empty. A scanned array allocates one object per '{' before
    // its ']', most of which stay empty in a malformed text; 8 KB of buckets each would let a few
    // kilobytes of braces take gigabytes.
    MemberEntry** buckets = nullptr;
    int32_t bucketCount;
    MemberEntry* newest = nullptr;
    MemberEntry* cursor = nullptr;
};
