#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "download/DownloadObserver.h"

// The console's side of a download: the progress lines and the end of the download.
class FetchObserver final : public DownloadObserver {
public:
    void OnFinalUpdate(const cMgrDownloader& manager) override;
    void OnDownloadComplete(int failedEntries) override;

    // One progress line with the panel's figures for the tick now; nothing while the total
    // size is unknown.
    void PrintProgress(const cMgrDownloader& manager, uint32_t now);

    bool Completed() const { return completed_.load(); }
    int FailedEntries() const { return failed_.load(); }

private:
    std::mutex printLock_;  // the manager's thread prints the final line
    std::atomic<bool> completed_{false};
    std::atomic<int> failed_{0};
};
