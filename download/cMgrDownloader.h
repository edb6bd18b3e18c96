#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "download/cThread.h"

class cFileDownloader;
class DownloadObserver;

// Downloads the whole client: reads "file.json", starts one cFileDownloader per entry in manifest
// order, never more at once than the connection limit and at least 33 ms apart, waits for them
// all and reports completion. Holds the progress counters that the transfers fill.
class cMgrDownloader : public cThread {
public:
    // The observer is not owned and must outlive the manager's thread; null reports to nobody.
    explicit cMgrDownloader(DownloadObserver* observer = nullptr);
    ~cMgrDownloader() override;

    // Notifications from the transfer threads.
    void OnStart(int64_t offset);
    void OnReceived(int32_t count);
    // Bytes that OnStart counted and that are being fetched again from byte 0.
    void OnRestart(int64_t offset);

    int64_t GetTotalSize() const { return totalSize_.load(); }
    int64_t GetReceivedBytes() const { return receivedBytes_.load(); }
    int64_t GetBytesThisRun() const { return bytesThisRun_.load(); }
    int32_t GetEntryCount() const { return entryCount_.load(); }
    uint32_t GetStartTick() const { return startTick_.load(); }
    bool IsCompleted() const { return completed_.load() != 0; }

    // Once the thread has ended: the entries that did not end whole and their names.
    int GetFailedEntries() const { return failedEntries_.load(); }
    const std::vector<std::string>& GetFailedNames() const { return failedNames_; }

protected:
    void OnExecute() override;
    // Returns the number of entries that did not end whole.
    int DoDownloadFile();

private:
    void Failed(const char* name);

    // Whole 64-bit atomic adds and loads, also on i686 (cmpxchg8b), read without a lock.
    std::atomic<int64_t> totalSize_{0};
    std::atomic<int64_t> receivedBytes_{0};
    std::atomic<int64_t> bytesThisRun_{0};
    std::atomic<int32_t> entryCount_{0};
    std::atomic<uint32_t> startTick_{0};
    std::atomic<int32_t> completed_{0};
    cFileDownloader* transfers_ = nullptr;

    DownloadObserver* observer_ = nullptr;
    std::atomic<int> failedEntries_{0};
    std::vector<std::string> failedNames_;
};

static_assert(std::atomic<int64_t>::is_always_lock_free, "the progress counters need lock-free 64-bit atomics");
static_assert(alignof(std::atomic<int64_t>) == 8, "a 64-bit counter must not straddle a cache line");
