#include "download/cMgrDownloader.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/AppContext.h"
#include "download/DownloadLog.h"
#include "download/DownloadObserver.h"
#include "download/EngineClock.h"
#include "download/SafeFileName.h"
#include "download/cFileDownloader.h"
#include "json/cJson.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"

namespace {

constexpr uint32_t kPollMs = 33;

cJson::Node* Member(cJson::Node* node, const char* key) { return node ? node->Get(key) : nullptr; }

// Ticks wrap after 49.7 days; compare them by their difference.
bool NotLaterThan(uint32_t deadline, uint32_t now) { return static_cast<int32_t>(now - deadline) >= 0; }

}  // namespace

cMgrDownloader::cMgrDownloader(DownloadObserver* observer) : cThread("cMgrDownloader"), observer_(observer) {}

cMgrDownloader::~cMgrDownloader() {
    Stop();
    if (transfers_) {
        const int32_t count = entryCount_.load();
        for (int32_t i = 0; i < count; ++i) {
            // A transfer blocked in a read returns only when its handle is closed. Running is
            // cleared first, so that the failed read is taken for the stop it is, not for a
            // dropped connection to reconnect or a read to retry.
            transfers_[i].RequestStop();
            transfers_[i].CloseInternetHandle();
            transfers_[i].Stop();
        }
    }
    delete[] transfers_;
    transfers_ = nullptr;
}

void cMgrDownloader::OnStart(int64_t offset) {
    if (offset == 0) return;
    char line[222];
    std::snprintf(line, sizeof line, "cMgrDownloader::OnStart %" PRId64, offset);
    AppendDownloadLog(line);
    receivedBytes_.fetch_add(offset);
}

void cMgrDownloader::OnReceived(int32_t count) {
    if (totalSize_.load() <= 0) return;
    bytesThisRun_.fetch_add(count);
    const int64_t received = receivedBytes_.fetch_add(count) + count;
    if (received > totalSize_.load()) ShowMessage("cMgrDownloader::OnReceived size error", platform::kIconWarning);
}

void cMgrDownloader::OnRestart(int64_t offset) {
    if (offset == 0) return;
    receivedBytes_.fetch_sub(offset);
}

void cMgrDownloader::OnExecute() {
    completed_.store(0);
    const int failed = DoDownloadFile();
    failedEntries_.store(failed);
    if (!observer_ || !IsRunning()) return;
    observer_->OnFinalUpdate(*this);
    // The final update may have waited for a user-interface thread that was stopping us meanwhile.
    if (!IsRunning()) return;
    completed_.store(1);
    observer_->OnDownloadComplete(failed);
}

void cMgrDownloader::Failed(const char* name) { failedNames_.emplace_back(name ? name : ""); }

int cMgrDownloader::DoDownloadFile() {
    failedNames_.clear();
    const char* folder = AppContext->resourceFolder ? AppContext->resourceFolder : AppContext->workFolder;
    platform::SetCurrentDir(folder);
    cJson manifest;
    cJson::Node* root = manifest.Load("file.json") ? manifest.Root() : nullptr;
    cJson::Node* countNode = Member(root, "TotalCount");
    cJson::Node* fileList = Member(root, "FileList");
    if (!root || !countNode || !fileList) {
        // Nothing can be downloaded, and that must not read as a finished download.
        AppendDownloadLog("cMgrDownloader::DoDownloadFile :: file.json error");
        Failed("file.json");
        return 1;
    }
    int32_t count = countNode->GetInt();
    if (count < 0) count = 0;
    totalSize_.store(Member(root, "TotalSize") ? root->Get("TotalSize")->GetInt64() : 0);
    cJson::Node* urlNode = Member(root, "URL");
    const char* base = urlNode ? urlNode->GetString() : "";
    if (!base) base = "";
    const size_t baseLength = std::strlen(base);

    transfers_ = new cFileDownloader[static_cast<size_t>(count)];
    entryCount_.store(count);

    platform::SetCurrentDir(AppContext->downloadFolder);

    const int32_t limit = cHttp::GetMaxConnections();
    std::unique_ptr<int32_t[]> slots(new int32_t[static_cast<size_t>(limit)]);
    for (int32_t s = 0; s < limit; ++s) slots[s] = -1;
    bool slotAvailable = false;
    uint32_t deadline = 0;

    platform::Clock& clock = EngineClock();
    startTick_.store(clock.TickCount());

    std::unique_ptr<bool[]> started(new bool[static_cast<size_t>(count)]());
    int failed = 0;
    for (int32_t i = 0; i < count && IsRunning(); ++i) {
        cJson::Node* entry = fileList->Child(static_cast<int>(i));
        if (entry && entry->GetKind() != cJson::Node::eJsonNode) entry = nullptr;
        cJson::Node* nameNode = entry ? entry->Child("Name") : nullptr;
        const char* name = nameNode ? nameNode->GetString() : nullptr;
        if (entry && entry->Child("Size")) entry->Child("Size")->GetInt64();  // read, the server's length counts

        if (!entry || !name) {
            char line[128];
            std::snprintf(line, sizeof line, "cMgrDownloader::DoDownloadFile :: file.json entry error %d",
                          static_cast<int>(i));
            AppendDownloadLog(line);
            char label[64];
            std::snprintf(label, sizeof label, "FileList[%d]", static_cast<int>(i));
            Failed(label);
            ++failed;
        } else if (baseLength == 0 || base[baseLength - 1] != '/') {
            ShowMessage("cMgrDownloader::DoDownloadFile :: file.json URL format error", platform::kIconWarning);
            Failed(name);
            ++failed;
        } else if (!IsSafeFileName(name) || std::strlen(name) > 255 || baseLength + std::strlen(name) > 1023) {
            // A name that leaves the download folder, or that the fields cannot hold, writes nothing.
            char line[512];
            std::snprintf(line, sizeof line, "cMgrDownloader::DoDownloadFile :: file name error (-33) %s", name);
            AppendDownloadLog(line);
            Failed(name);
            ++failed;
        } else {
            char url[2048];
            std::snprintf(url, sizeof url, "%s%s", base, name);
            const char* exe = std::strstr(name, ".exe");
            if (exe && exe[4] == '\0') CopyText(AppContext->launchFile, name);
            transfers_[i].StartDownload(url, name);
            started[i] = true;
        }

        for (int32_t s = 0; s < limit; ++s) {
            if (slots[s] < 0) {
                slots[s] = i;
                slotAvailable = false;
                deadline = clock.TickCount() + kPollMs;
                break;
            }
        }
        while (IsRunning()) {
            if (slotAvailable && NotLaterThan(deadline, clock.TickCount())) break;
            for (int32_t s = 0; s < limit; ++s) {
                if (slots[s] < 0) {
                    slotAvailable = true;
                    break;
                }
                if (!transfers_[slots[s]].IsRunning()) {
                    slots[s] = -1;
                    slotAvailable = true;
                    break;
                }
            }
            clock.SleepMs(kPollMs);
        }
    }

    while (IsRunning()) {
        bool busy = false;
        for (int32_t i = 0; i < count && !busy; ++i) busy = transfers_[i].IsRunning();
        if (!busy) break;
        clock.SleepMs(kPollMs);
    }

    for (int32_t i = 0; i < count; ++i) {
        if (started[i] && !transfers_[i].EndedWhole()) {
            Failed(transfers_[i].GetFileName());
            ++failed;
        }
    }
    return failed;
}
