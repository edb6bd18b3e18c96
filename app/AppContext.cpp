#include "app/AppContext.h"

#include <cstring>

tAppContext* AppContext = nullptr;

bool CopyText(char* dst, size_t capacity, const char* src) {
    if (!dst || capacity == 0) return false;
    dst[0] = '\0';
    return AppendText(dst, capacity, src);
}

bool AppendText(char* dst, size_t capacity, const char* src) {
    if (!dst || capacity == 0) return false;
    size_t used = strnlen(dst, capacity);
    if (used == capacity) {  // not terminated: make it so before appending to it
        dst[capacity - 1] = '\0';
        return false;
    }
    if (!src) return true;
    const size_t n = std::strlen(src);
    const size_t room = capacity - 1 - used;
    const size_t take = n < room ? n : room;
    std::memcpy(dst + used, src, take);
    dst[used + take] = '\0';
    return take == n;
}
