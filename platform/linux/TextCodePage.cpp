#include "platform/TextCodePage.h"

#include <cstring>

namespace platform {

int AnsiToWideLength(const char* text) {
    if (!text) return -1;
    return static_cast<int>(std::strlen(text));
}

bool AnsiToWide(const char* text, wchar_t* out, size_t capacity) {
    if (!text || !out) return false;
    const size_t n = std::strlen(text);
    if (n + 1 > capacity) return false;
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    out[n] = L'\0';
    return true;
}

}  // namespace platform
