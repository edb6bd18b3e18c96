// tolvin-fetch [--base-url URL] [--work-dir DIR] DOWNLOAD_FOLDER
//
// The downloader without its window: the manifest check, the free-space check, the download
// manager, and a progress line every 333 ms. SIGINT or SIGTERM stops like Pause; a later run
// resumes from what is on disk.
#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/AppContext.h"
#include "cli/ConsoleHost.h"
#include "cli/FetchObserver.h"
#include "cli/WorkFolderLock.h"
#include "download/EngineClock.h"
#include "download/ManifestCheck.h"
#include "download/StopDownloader.h"
#include "download/cMgrDownloader.h"
#include "platform/DiskSpace.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"

namespace {

constexpr int kExitFailed = 1;    // some entries did not end whole
constexpr int kExitUsage = 2;
constexpr int kExitBusy = 3;      // another run holds the work folder
constexpr int kExitNoSpace = 4;
constexpr int kExitStopped = 130; // SIGINT or SIGTERM

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnStopSignal(int) { g_stop = 1; }

void Usage() {
    std::fprintf(stderr,
                 "usage: tolvin-fetch [--base-url URL] [--work-dir DIR] DOWNLOAD_FOLDER\n"
                 "  --base-url URL  the version server's base URL, which serves \"file.json\" (default %s)\n"
                 "  --work-dir DIR  where the manifest copies, the log and the lock live\n"
                 "                  (default: the temporary directory's Pellacorde_Live%cMXBtolvin)\n",
                 TOLVIN_VERSION_URL, kSeparator);
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAbsolute(const std::string& p) {
    if (!p.empty() && IsSeparator(p[0])) return true;
    return p.size() >= 2 && p[1] == ':';
}

std::string Absolute(const std::string& p) {
    if (IsAbsolute(p)) return p;
    char cwd[1024];
    if (!platform::GetCurrentDir(cwd, sizeof cwd)) return p;
    std::string base = cwd;
    if (!base.empty() && !IsSeparator(base.back())) base += kSeparator;
    return base + p;
}

// Every level of the folder, as the window's folder choice does it.
void CreateLevels(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            const std::string level = path.substr(0, i);
            if (level.size() == 2 && level[1] == ':') continue;  // a drive
            platform::CreateOneDirectory(level.c_str());
        }
    }
}

std::string WithSeparator(std::string p) {
    if (p.empty() || !IsSeparator(p.back())) p += kSeparator;
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    std::string baseUrl = TOLVIN_VERSION_URL;
    std::string workDir;
    std::string downloadDir;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--base-url" || a == "--work-dir") && i + 1 < argc) {
            (a == "--base-url" ? baseUrl : workDir) = argv[++i];
        } else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            Usage();
            return kExitUsage;
        } else if (downloadDir.empty()) {
            downloadDir = a;
        } else {
            Usage();
            return kExitUsage;
        }
    }
    if (downloadDir.empty() || baseUrl.empty()) {
        Usage();
        return kExitUsage;
    }
    if (baseUrl.back() != '/') baseUrl += '/';

    static ConsoleHost host;
    platform::SetHost(&host);

    static tAppContext context;
    AppContext = &context;
    CopyText(context.versionUrl, baseUrl.c_str());
    if (workDir.empty()) {
        char temp[261];
        if (!platform::TempDirectory(temp, sizeof temp)) {
            std::fprintf(stderr, "tolvin-fetch: no temporary directory\n");
            return kExitUsage;
        }
        std::string w = WithSeparator(temp) + "Pellacorde_Live";
        platform::CreateOneDirectory(w.c_str());
        w = WithSeparator(w) + "MXBtolvin";
        platform::CreateOneDirectory(w.c_str());
        workDir = w;
    } else {
        workDir = Absolute(workDir);
        CreateLevels(workDir);
    }
    workDir = WithSeparator(workDir);
    downloadDir = Absolute(downloadDir);
    while (downloadDir.size() > 1 && IsSeparator(downloadDir.back())) downloadDir.pop_back();
    if (!CopyText(context.workFolder, workDir.c_str()) || !CopyText(context.downloadFolder, downloadDir.c_str())) {
        std::fprintf(stderr, "tolvin-fetch: a folder path longer than 259 characters\n");
        return kExitUsage;
    }
    context.resourceFolder = context.workFolder;
    CreateLevels(downloadDir);

    static WorkFolderLock lock;
    if (!lock.Acquire(context.workFolder)) {
        std::fprintf(stderr, "tolvin-fetch: another tolvin-fetch is already downloading with the work folder %s\n",
                     context.workFolder);
        return kExitBusy;
    }

    const int64_t requiredSize = CheckDownloadManifest();

    uint64_t freeBytes = 0;
    if (!platform::FreeBytesAvailable(context.downloadFolder, &freeBytes)) {
        std::fprintf(stderr, "tolvin-fetch: the free space of %s cannot be determined\n", context.downloadFolder);
        return kExitNoSpace;
    }
    if (requiredSize >= 0 && freeBytes <= static_cast<uint64_t>(requiredSize)) {
        char drive[3] = {context.downloadFolder[0], context.downloadFolder[0] ? context.downloadFolder[1] : '\0', '\0'};
        char text[512];
        std::snprintf(text, sizeof text,
                      "This disk drive(%s) does not have enough capacity.\nPlease change the download folder or free "
                      "up capacity.   ",
                      drive);
        std::fprintf(stderr, "tolvin-fetch: %s\n", text);
        return kExitNoSpace;
    }

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);

    static FetchObserver observer;
    auto* manager = new cMgrDownloader(&observer);
    context.downloader = manager;
    if (!manager->Start()) {
        StopDownloader();
        std::fprintf(stderr, "tolvin-fetch: the download could not be started\n");
        return kExitFailed;
    }

    platform::Clock& clock = EngineClock();
    uint32_t lastLine = clock.TickCount();
    while (manager->IsRunning() && !g_stop) {
        clock.SleepMs(33);
        const uint32_t now = clock.TickCount();
        if (now - lastLine >= 333) {
            lastLine = now;
            if (manager->IsRunning()) observer.PrintProgress(*manager, now);
        }
    }

    if (g_stop) {
        StopDownloader();
        std::fprintf(stderr, "tolvin-fetch: stopped; a later run resumes from what is on disk\n");
        return kExitStopped;
    }

    const int failed = manager->GetFailedEntries();
    if (failed == 0 && observer.Completed()) {
        std::printf("tolvin-fetch: complete\n");
        StopDownloader();
        return 0;
    }
    std::fprintf(stderr, "tolvin-fetch: %d of the manifest's entries did not arrive whole:\n", failed);
    for (const std::string& name : manager->GetFailedNames()) std::fprintf(stderr, "  %s\n", name.c_str());
    StopDownloader();
    return kExitFailed;
}
