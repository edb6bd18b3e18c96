#include "json/JsonValue.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/TextCodePage.h"

namespace {
// strtoll rather than strtol or atoi: long is 32 bits on Windows and 64 on Linux, and atoi is
// undefined beyond int. strtoll clamps to the 64-bit limits; the 32-bit readers clamp again.
int64_t Convert(const char* text, int base) {
    if (!text) return 0;
    return static_cast<int64_t>(std::strtoll(text, nullptr, base));
}

int32_t Clamp32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}
}  // namespace

JsonValue::JsonValue(const char* nodeKey, const char* value) : cJson::Node(eJsonValue, nodeKey) {
    const size_t n = value ? std::strlen(value) : 0;
    text = new char[n + 1];
    std::memcpy(text, value ? value : "", n);
    text[n] = '\0';
    capacity = static_cast<int32_t>(n + 1);
}

JsonValue::~JsonValue() { Clear(); }

void JsonValue::Clear() {
    delete[] text;
    delete[] wideText;
    text = nullptr;
    wideText = nullptr;
}

const char* JsonValue::GetString() { return text; }

const wchar_t* JsonValue::GetWString() {
    if (!text) return nullptr;
    if (!wideText) {
        // One byte never yields more than one unit, so capacity units always suffice.
        wideText = new wchar_t[capacity];
        if (!platform::AnsiToWide(text, wideText, static_cast<size_t>(capacity))) wideText[0] = L'\0';
    }
    return wideText;
}

int32_t JsonValue::GetInt() { return Clamp32(Convert(text, 10)); }

int64_t JsonValue::GetInt64() { return Convert(text, 10); }

int32_t JsonValue::GetHex() { return Clamp32(Convert(text, 16)); }

int64_t JsonValue::GetHex64() { return Convert(text, 16); }
