#include "platform/FileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "linux/PathText.h"

namespace platform {
using linux_backend::NativePath;

namespace {
bool CopyOut(const std::string& text, char* buf, size_t capacity) {
    if (!buf || text.size() + 1 > capacity) return false;
    std::memcpy(buf, text.c_str(), text.size() + 1);
    return true;
}
}  // namespace

bool CreateOneDirectory(const char* path) {
    const std::string p = NativePath(path);
    return !p.empty() && mkdir(p.c_str(), 0777) == 0;
}

bool SetCurrentDir(const char* path) {
    const std::string p = NativePath(path);
    return !p.empty() && chdir(p.c_str()) == 0;
}

bool GetCurrentDir(char* buf, size_t capacity) {
    if (!buf || capacity == 0) return false;
    return getcwd(buf, capacity) != nullptr;
}

bool TempDirectory(char* buf, size_t capacity) {
    // GetTempPathA looks at TMP, TEMP and USERPROFILE; the POSIX equivalent is TMPDIR.
    const char* dir = std::getenv("TMPDIR");
    std::string t = (dir && *dir) ? dir : "/tmp";
    if (t.back() != '/') t += '/';
    return CopyOut(t, buf, capacity);
}

bool ModuleFileName(char* buf, size_t capacity) {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return false;
    return CopyOut(std::string(path, static_cast<size_t>(n)), buf, capacity);
}

bool ModuleFolder(char* buf, size_t capacity) {
    char path[PATH_MAX];
    if (!ModuleFileName(path, sizeof path)) return false;
    std::string p(path);
    p.erase(p.find_last_of('/') + 1);
    return CopyOut(p, buf, capacity);
}

FILE* OpenFile(const char* path, const char* mode) {
    // "b" is meaningless but harmless on POSIX; the modes are passed as the callers wrote them.
    return std::fopen(NativePath(path).c_str(), mode);
}

bool RemoveFile(const char* path) { return std::remove(NativePath(path).c_str()) == 0; }

bool RenameFile(const char* from, const char* to) {
    return std::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool Seek64(FILE* file, long long offset, int origin) {
    return fseeko(file, static_cast<off_t>(offset), origin) == 0;
}

long long Tell64(FILE* file) { return static_cast<long long>(ftello(file)); }

}  // namespace platform
