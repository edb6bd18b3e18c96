#include <windows.h>

#include <cstdio>

#include "cli/WorkFolderLock.h"

// A lock file opened without sharing: a second open fails with a sharing violation until this
// process ends, however it ends.
bool WorkFolderLock::Acquire(const char* workFolder) {
    char path[512];
    const int n = std::snprintf(path, sizeof path, "%s%s", workFolder, "tolvin-fetch.lock");
    if (n < 0 || n >= static_cast<int>(sizeof path)) return false;
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = h;
    return true;
}

WorkFolderLock::~WorkFolderLock() {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
}
