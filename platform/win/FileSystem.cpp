#include "platform/FileSystem.h"

#include <windows.h>

#include <cstring>

namespace platform {

bool CreateOneDirectory(const char* path) { return path && *path && CreateDirectoryA(path, nullptr) != 0; }

bool SetCurrentDir(const char* path) { return path && *path && SetCurrentDirectoryA(path) != 0; }

bool GetCurrentDir(char* buf, size_t capacity) {
    if (!buf || capacity == 0) return false;
    const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(capacity), buf);
    return n != 0 && n < capacity;
}

bool TempDirectory(char* buf, size_t capacity) {
    if (!buf || capacity == 0) return false;
    const DWORD n = GetTempPathA(static_cast<DWORD>(capacity), buf);
    return n != 0 && n < capacity;
}

bool ModuleFileName(char* buf, size_t capacity) {
    if (!buf || capacity == 0) return false;
    const DWORD n = GetModuleFileNameA(nullptr, buf, static_cast<DWORD>(capacity));
    // A path cut to the buffer comes back with n == capacity (and ERROR_INSUFFICIENT_BUFFER).
    return n != 0 && n < capacity;
}

bool ModuleFolder(char* buf, size_t capacity) {
    if (!ModuleFileName(buf, capacity)) return false;
    char* slash = std::strrchr(buf, '\\');
    if (slash) slash[1] = '\0';
    return true;
}

FILE* OpenFile(const char* path, const char* mode) { return std::fopen(path, mode); }

bool RemoveFile(const char* path) { return std::remove(path) == 0; }

bool RenameFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool Seek64(FILE* file, long long offset, int origin) { return _fseeki64(file, offset, origin) == 0; }

long long Tell64(FILE* file) { return _ftelli64(file); }

}  // namespace platform
