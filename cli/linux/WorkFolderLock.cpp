#include "cli/WorkFolderLock.h"

#include <sys/file.h>

#include <cstdio>

#include "platform/FileSystem.h"

// flock: the kernel lets go when the process ends, also after SIGKILL, so a stale file never
// keeps a later run out.
bool WorkFolderLock::Acquire(const char* workFolder) {
    char path[512];
    const int n = std::snprintf(path, sizeof path, "%s%s", workFolder, "tolvin-fetch.lock");
    if (n < 0 || n >= static_cast<int>(sizeof path)) return false;
    FILE* f = platform::OpenFile(path, "a");
    if (!f) return false;
    if (flock(fileno(f), LOCK_EX | LOCK_NB) != 0) {
        std::fclose(f);
        return false;
    }
    handle_ = f;
    return true;
}

WorkFolderLock::~WorkFolderLock() {
    if (handle_) std::fclose(static_cast<FILE*>(handle_));
}
