#pragma once
#include <cstdint>

#include "json/cJson.h"

// A scalar. Numbers, true, false and null are kept as the text they were written as; conversions
// are made on every request, only the wide text is kept once made.
class JsonValue : public cJson::Node {
public:
    JsonValue(const char* nodeKey, const char* value);
    ~JsonValue() override;

    void Clear() override;
    const char* GetString() override;
    const wchar_t* GetWString() override;
    // The C library's rules: leading white space skipped, optional sign, stop at the first
    // character that does not fit, results beyond the type clamped to its limits.
    int32_t GetInt() override;
    int64_t GetInt64() override;
    // Base 16, with or without "0x".
    int32_t GetHex() override;
    int64_t GetHex64() override;

private:
    char* text = nullptr;
    wchar_t* wideText = nullptr;
    int32_t capacity = 0;  // bytes of text with its NUL; also the units of wideText
};
