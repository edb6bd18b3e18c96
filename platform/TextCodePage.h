#pragma once
#include <cstddef>

namespace platform {

// Conversion from the system's ANSI code page to the wide text that is drawn.
// Windows: MultiByteToWideChar(CP_ACP). Linux stand-in: one byte gives one unit of the same
// value (ASCII as on Windows; bytes 0x80 to 0xFF become U+0080 to U+00FF, i.e. Latin-1).
// Never more units than bytes, so a buffer of strlen + 1 units always suffices.

// Units that text yields, without the terminator; -1 if it cannot be converted.
int AnsiToWideLength(const char* text);
// Converts text into out and terminates it. False, with out untouched, if text (with its
// terminator) needs more than capacity units.
bool AnsiToWide(const char* text, wchar_t* out, size_t capacity);

}  // namespace platform
