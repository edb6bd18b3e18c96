#include "app/DiskSpaceCheck.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/DiskSpace.h"

int64_t DiskSpaceCheck::FreeBytes(const char* path) {
    if (!path || !*path) return 0;
    uint64_t bytes = 0;
    if (!platform::FreeBytesAvailable(path, &bytes)) return 0;
    // Compared as signed 64 bits with the required size; no volume comes near the limit.
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    return static_cast<int64_t>(bytes > kMax ? kMax : bytes);
}

void DiskSpaceCheck::FormatDiskMessage(const char* downloadFolder, char (&out)[kMessageCapacity]) {
    char drive[3] = {};
    if (downloadFolder) {
        const size_t n = strnlen(downloadFolder, 2);
        std::memcpy(drive, downloadFolder, n);
    }
    if (std::snprintf(out, sizeof out,
                      "This disk drive(%s) does not have enough capacity.\n"
                      "Please change the download folder or free up capacity.   ",
                      drive) < 0)
        out[0] = '\0';
}

void DiskSpaceCheck::FormatSpaceLabel(int64_t requiredSize, int64_t freeBytes, char (&out)[kLabelCapacity]) {
    constexpr double kPerGiB = 1.0 / 1073741824.0;
    if (std::snprintf(out, sizeof out, "At least %.3fGB is required.\nYour free space : %.3fGB",
                      static_cast<double>(requiredSize) * kPerGiB, static_cast<double>(freeBytes) * kPerGiB) < 0)
        out[0] = '\0';
}

DiskSpaceCheck::StartVerdict DiskSpaceCheck::ForStart(const char* downloadFolder, int64_t freeBytes,
                                                      int64_t requiredSize) {
    StartVerdict v;
    v.enough = HasRoom(freeBytes, requiredSize);
    if (!v.enough) FormatDiskMessage(downloadFolder, v.message);
    return v;
}

DiskSpaceCheck::StartVerdict DiskSpaceCheck::ForStart(const char* downloadFolder, int64_t requiredSize) {
    return ForStart(downloadFolder, FreeBytes(downloadFolder), requiredSize);
}

DiskSpaceCheck::SelectionVerdict DiskSpaceCheck::ForSelection(const char* path, int64_t freeBytes,
                                                              int64_t requiredSize) {
    SelectionVerdict v;
    if (!path || std::strlen(path) <= 3) v.disableOk = true;
    if (!HasRoom(freeBytes, requiredSize)) v.disableOk = true;
    FormatSpaceLabel(requiredSize, freeBytes, v.label);
    return v;
}

DiskSpaceCheck::SelectionVerdict DiskSpaceCheck::ForSelection(const char* path, int64_t requiredSize) {
    return ForSelection(path, FreeBytes(path), requiredSize);
}
