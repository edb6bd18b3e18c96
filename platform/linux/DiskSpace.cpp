#include "platform/DiskSpace.h"

#include <string>
#include <sys/statvfs.h>

#include "linux/PathText.h"

namespace platform {

bool FreeBytesAvailable(const char* path, uint64_t* freeBytes) {
    struct statvfs st {};
    if (!freeBytes || statvfs(linux_backend::NativePath(path).c_str(), &st) != 0) return false;
    // f_bavail, not f_bfree: the blocks reserved for root are not the user's.
    *freeBytes = static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
    return true;
}

}  // namespace platform
