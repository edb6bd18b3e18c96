#include "download/SafeFileName.h"

#include <cctype>
#include <cstring>

namespace {

bool IsDeviceName(const char* part, size_t n) {
    // "CON", "nul.txt", "COM1.bin": Windows opens the device, whatever the extension.
    size_t stem = 0;
    while (stem < n && part[stem] != '.') ++stem;
    while (stem > 0 && part[stem - 1] == ' ') --stem;
    char upper[8] = {};
    if (stem < 3 || stem > 4) return false;
    for (size_t i = 0; i < stem; ++i) upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(part[i])));
    if (stem == 3) {
        return !std::strcmp(upper, "CON") || !std::strcmp(upper, "PRN") || !std::strcmp(upper, "AUX") ||
               !std::strcmp(upper, "NUL");
    }
    return (!std::strncmp(upper, "COM", 3) || !std::strncmp(upper, "LPT", 3)) && upper[3] >= '1' && upper[3] <= '9';
}

bool IsSafePart(const char* part, size_t n) {
    if (n == 0) return true;  // "a//b" names "a/b"
    bool onlyDots = true;
    for (size_t i = 0; i < n; ++i) onlyDots = onlyDots && part[i] == '.';
    if (onlyDots && n >= 2) return false;  // "..", and "..." which Windows reads as ".."
    // Windows drops a final dot or space, so "a." and "a" would be one file.
    if (part[n - 1] == ' ' || (part[n - 1] == '.' && n > 1)) return false;
    return !IsDeviceName(part, n);
}

}  // namespace

bool IsSafeFileName(const char* name) {
    if (!name || !*name) return false;
    if (name[0] == '/' || name[0] == '\\') return false;
    for (const char* p = name; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || std::strchr("<>:\"|?*", c)) return false;  // ':' also rules out "C:" and streams
    }
    const char* part = name;
    for (const char* p = name;; ++p) {
        if (*p == '/' || *p == '\\' || *p == '\0') {
            if (!IsSafePart(part, static_cast<size_t>(p - part))) return false;
            if (*p == '\0') break;
            part = p + 1;
        }
    }
    // A name that ends in a separator names a folder, not a file.
    const char last = name[std::strlen(name) - 1];
    return last != '/' && last != '\\';
}
