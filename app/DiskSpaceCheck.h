#pragma once
#include <cstddef>
#include <cstdint>

// The free-space tests of the Start command and of the folder dialog, and their texts.
// Free space that cannot be determined (a folder that does not exist, a volume that cannot
// be asked) counts as none: Start refuses and the dialog keeps OK disabled, rather than
// deciding on an undetermined figure.
class DiskSpaceCheck {
public:
    DiskSpaceCheck() = delete;

    static constexpr size_t kMessageCapacity = 512;
    static constexpr size_t kLabelCapacity = 256;
    // The disk message has a caption of its own, not the application's.
    static constexpr const char* kDiskMessageCaption = "Downloader - TOLVIN ...";
    static constexpr unsigned kIconInformation = 0x40;  // MB_ICONINFORMATION

    struct StartVerdict {
        bool enough = false;
        char message[kMessageCapacity] = {};  // the disk message when not enough
    };
    struct SelectionVerdict {
        bool disableOk = false;
        char label[kLabelCapacity] = {};  // the space information for the dialog's label
    };

    // Bytes available to the current user on the volume of path; 0 when undetermined or path
    // is empty (an item without a file-system path names no volume).
    static int64_t FreeBytes(const char* path);

    // Equal counts as too little.
    static bool HasRoom(int64_t freeBytes, int64_t requiredSize) { return freeBytes > requiredSize; }

    // "This disk drive(%s) does not have enough capacity.\n..." with the first two characters
    // of the download folder (the drive letter and its colon).
    static void FormatDiskMessage(const char* downloadFolder, char (&out)[kMessageCapacity]);
    // "At least %.3fGB is required.\nYour free space : %.3fGB", GB being 2^30 bytes.
    static void FormatSpaceLabel(int64_t requiredSize, int64_t freeBytes, char (&out)[kLabelCapacity]);

    // Start: may the download begin in downloadFolder?
    static StartVerdict ForStart(const char* downloadFolder, int64_t freeBytes, int64_t requiredSize);
    static StartVerdict ForStart(const char* downloadFolder, int64_t requiredSize);
    // The folder dialog's selection of path: OK is disabled for a drive root or an item without
    // a path (at most 3 characters) and for a volume without room. The dialog only ever
    // disables OK; enabling it again is its own business.
    static SelectionVerdict ForSelection(const char* path, int64_t freeBytes, int64_t requiredSize);
    static SelectionVerdict ForSelection(const char* path, int64_t requiredSize);
};
