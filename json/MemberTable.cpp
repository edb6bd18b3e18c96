#include "json/MemberTable.h"

#include <cstring>

MemberEntry::MemberEntry(const char* entryKey) : key(new char[kKeyCapacity]) {
    // Callers refuse longer keys; the bound keeps the copy inside its buffer regardless.
    size_t n = 0;
    while (n < kKeyCapacity - 1 && entryKey[n]) ++n;
    std::memcpy(key, entryKey, n);
    key[n] = '\0';
}

MemberEntry::~MemberEntry() { delete[] key; }

MemberTable::MemberTable() : bucketCount(kBucketCount) {}

MemberTable::~MemberTable() {
    Clear();
    if (!buckets) return;
    for (int32_t b = 0; b < bucketCount; ++b) {
        MemberEntry* entry = buckets[b];
        while (entry) {
            MemberEntry* next = entry->chainNext;
            delete entry;
            entry = next;
        }
    }
    delete[] buckets;
}

int32_t MemberTable::BucketIndex(const char* key) const {
    const size_t n = std::strlen(key);
    const unsigned char* tail = reinterpret_cast<const unsigned char*>(key) + (n > 8 ? n - 8 : 0);
    const size_t used = n > 8 ? 8 : n;
    uint64_t value = 0;
    for (size_t i = 0; i < used; ++i) value |= static_cast<uint64_t>(tail[i]) << (8 * i);
    return static_cast<int32_t>(value % static_cast<uint64_t>(bucketCount));
}

MemberEntry* MemberTable::FindEntry(const char* key, int32_t bucket) const {
    if (!buckets) return nullptr;
    for (MemberEntry* entry = buckets[bucket]; entry; entry = entry->chainNext)
        if (std::strcmp(entry->key, key) == 0) return entry;
    return nullptr;
}

MemberEntry* MemberTable::NewEntry(const char* key, int32_t bucket) {
    if (!buckets) buckets = new MemberEntry*[bucketCount]();
    MemberEntry* entry = new MemberEntry(key);
    entry->chainNext = buckets[bucket];
    if (entry->chainNext) entry->chainNext->chainPrev = entry;
    buckets[bucket] = entry;
    entry->older = newest;
    if (newest) newest->newer = entry;
    newest = entry;
    return entry;
}

void MemberTable::Unlink(MemberEntry* entry) {
    if (entry->chainPrev)
        entry->chainPrev->chainNext = entry->chainNext;
    else
        buckets[BucketIndex(entry->key)] = entry->chainNext;
    if (entry->chainNext) entry->chainNext->chainPrev = entry->chainPrev;

    if (entry->newer)
        entry->newer->older = entry->older;
    else
        newest = entry->older;
    if (entry->older) entry->older->newer = entry->newer;
}

cJson::Node* MemberTable::Lookup(const char* key) {
    if (!key || std::strlen(key) > kMaxKeyLength) return nullptr;
    const int32_t bucket = BucketIndex(key);
    if (MemberEntry* entry = FindEntry(key, bucket)) return entry->node;
    NewEntry(key, bucket);
    return nullptr;
}

bool MemberTable::Add(const char* key, cJson::Node* node) {
    if (!key || !node || std::strlen(key) > kMaxKeyLength) return false;
    const int32_t bucket = BucketIndex(key);
    MemberEntry* entry = FindEntry(key, bucket);
    if (entry && entry->node) return false;
    if (!entry) entry = NewEntry(key, bucket);
    entry->node = node;
    return true;
}

MemberEntry* MemberTable::WalkFrom(MemberEntry* start) {
    cursor = start;
    while (cursor && !cursor->node) {
        MemberEntry* empty = cursor;
        cursor = cursor->older;
        Unlink(empty);
        delete empty;
    }
    return cursor;
}

void MemberTable::Clear() {
    for (MemberEntry* entry = WalkFrom(newest); entry; entry = WalkFrom(entry->older)) {
        cJson::Node* node = entry->node;
        entry->node = nullptr;
        delete node;
    }
}

int32_t MemberTable::EntryCount() const {
    int32_t n = 0;
    for (const MemberEntry* entry = newest; entry; entry = entry->older) ++n;
    return n;
}
