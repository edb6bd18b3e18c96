#pragma once
#include <cstddef>

class cMgrDownloader;
class cWinMain;

// The one application record of the process. Texts are narrow ANSI texts with a terminating
// NUL inside their capacity; every write to them goes through a bounded copy or formatter.
struct tAppContext {
    char caption[128] = "tolvin-downloader...";
    char exitQuestion[128] = {};
    char errorText[128] = {};
    void* instance = nullptr;            // HINSTANCE of the program
    cWinMain* mainWindow = nullptr;      // not owned
    char version[64] = {};
    char versionUrl[260] = {};
    cMgrDownloader* downloader = nullptr;  // owned; replaced only through StopDownloader
    char workFolder[260] = {};
    char moduleFolder[260] = {};
    wchar_t downloadFolderWide[260] = {};
    char downloadFolder[260] = {};
    char launchFile[260] = {};
    const char* resourceFolder = nullptr;  // designates one of the folder texts above
};

// Null before the record is created and after it is deleted.
extern tAppContext* AppContext;

// Bounded copy: at most capacity - 1 bytes and always terminated; true if nothing was cut.
bool CopyText(char* dst, size_t capacity, const char* src);
template <size_t N>
bool CopyText(char (&dst)[N], const char* src) {
    return CopyText(dst, N, src);
}
// Bounded append, same rules.
bool AppendText(char* dst, size_t capacity, const char* src);
template <size_t N>
bool AppendText(char (&dst)[N], const char* src) {
    return AppendText(dst, N, src);
}
