#pragma once

class cMgrDownloader;

// How the manager tells its front end that the download has ended. Both calls come on the
// manager's thread, only while nobody has stopped the manager.
class DownloadObserver {
public:
    virtual ~DownloadObserver() = default;

    // The final progress figures; the counters are no longer written. An implementation may hand
    // this to the user-interface thread and wait for it, but must give up waiting as soon as
    // manager.IsRunning() reads false: that thread may at this moment be stopping the manager and
    // waiting for this very thread.
    virtual void OnFinalUpdate(const cMgrDownloader& manager) = 0;

    // After the final update, when the manager was still not stopped; its completed flag reads 1.
    // failedEntries counts the manifest entries that did not end whole (0: every file is in place;
    // a missing or unusable manifest counts as one). Must not wait for the user-interface thread:
    // post to it.
    virtual void OnDownloadComplete(int failedEntries) = 0;
};
