#include "platform/DiskSpace.h"

#include <windows.h>

namespace platform {

bool FreeBytesAvailable(const char* path, uint64_t* freeBytes) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!freeBytes || !GetDiskFreeSpaceExA(path, &available, &total, &free)) return false;
    *freeBytes = available.QuadPart;  // honours the user's quota, unlike the volume's free bytes
    return true;
}

}  // namespace platform
