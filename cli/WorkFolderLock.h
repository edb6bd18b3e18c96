#pragma once

// Keeps a second tolvin-fetch off a work folder that one is using: both would write the same
// manifest copies and the same files. Held until the process ends, however it ends.
class WorkFolderLock {
public:
    WorkFolderLock() = default;
    ~WorkFolderLock();
    WorkFolderLock(const WorkFolderLock&) = delete;
    WorkFolderLock& operator=(const WorkFolderLock&) = delete;

    // False when another process holds the lock (or the lock file cannot be made).
    bool Acquire(const char* workFolder);

private:
    void* handle_ = nullptr;
};
