#pragma once
#include <cstddef>
#include <cstdio>

// Files and folders. Paths are narrow texts in the ANSI code page and may use '\' or '/'
// between names; the Linux backend treats both as separators, as Windows does.
namespace platform {

// Creates one directory (not its parents). False when it exists already or cannot be made.
bool CreateOneDirectory(const char* path);

bool SetCurrentDir(const char* path);
// Writes the current directory into buf (NUL-terminated). False if it does not fit.
bool GetCurrentDir(char* buf, size_t capacity);

// The user's temporary directory, ending with a separator, as GetTempPathA gives it.
bool TempDirectory(char* buf, size_t capacity);
// Full path of the program's own file.
bool ModuleFileName(char* buf, size_t capacity);
// Folder of the program's own file, ending with a separator.
bool ModuleFolder(char* buf, size_t capacity);

// fopen/remove/rename over the same path rules as above.
FILE* OpenFile(const char* path, const char* mode);
bool RemoveFile(const char* path);
bool RenameFile(const char* from, const char* to);

// 64-bit seek and tell on a C stream.
bool Seek64(FILE* file, long long offset, int origin);
long long Tell64(FILE* file);

}  // namespace platform
