#include "platform/TextCodePage.h"

#include <windows.h>

#include <climits>

namespace platform {

int AnsiToWideLength(const char* text) {
    if (!text) return -1;
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    return n > 0 ? n - 1 : -1;
}

bool AnsiToWide(const char* text, wchar_t* out, size_t capacity) {
    if (!text || !out || capacity == 0 || capacity > INT_MAX) return false;
    const int need = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (need <= 0 || static_cast<size_t>(need) > capacity) return false;
    return MultiByteToWideChar(CP_ACP, 0, text, -1, out, need) == need;
}

}  // namespace platform
