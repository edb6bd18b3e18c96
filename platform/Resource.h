#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Resource identifiers compiled into the program.
constexpr int kLayoutResource = 104;  // "ux.json", RT_RCDATA

// Reads an RT_RCDATA resource of the program's own module. announcedSize is the size the
// resource (its stream) reports; bytes holds what could actually be read, which a caller
// compares against it. False when the resource does not exist.
// The Linux stand-in knows only the layout document, embedded at build time.
bool ReadRcData(int id, std::string* bytes, uint32_t* announcedSize);

}  // namespace platform
