#pragma once
#include <cstdint>

namespace platform {

// Free bytes on the volume that holds path, as far as the current user may use them
// (quotas and reserved blocks excluded). False when it cannot be determined, e.g. the
// path does not exist or the volume cannot be queried.
bool FreeBytesAvailable(const char* path, uint64_t* freeBytes);

}  // namespace platform
