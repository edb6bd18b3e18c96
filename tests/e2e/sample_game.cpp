// The sample client's game: a tiny Windows program that records that it was started, so the
// end-to-end tests can tell that Launch really ran the downloaded executable. It writes
// "launched.txt" beside itself with its command line and its current directory, then ends.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return 2;
    char* slash = std::strrchr(path, '\\');
    if (!slash) return 2;
    slash[1] = '\0';
    if (std::strlen(path) + sizeof "launched.txt" > sizeof path) return 2;
    std::strcat(path, "launched.txt");

    char cwd[MAX_PATH] = {};
    if (!GetCurrentDirectoryA(sizeof cwd, cwd)) cwd[0] = '\0';

    FILE* f = std::fopen(path, "wb");
    if (!f) return 3;
    std::fprintf(f, "command-line: %s\ncurrent-directory: %s\n", GetCommandLineA(), cwd);
    std::fclose(f);
    return 0;
}
