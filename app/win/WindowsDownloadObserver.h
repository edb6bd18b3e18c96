#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "download/DownloadObserver.h"

// Hands the manager's end of download to the user-interface thread. The manager's thread
// never touches a window itself: it posts, and waits for the final update only while nobody
// is stopping it, so a Pause, Start or quit at the same moment cannot deadlock with it.
class WindowsDownloadObserver final : public DownloadObserver {
public:
    // Messages to the main window; lParam is the run they belong to.
    static constexpr UINT kMsgFinalUpdate = WM_APP + 2;
    static constexpr UINT kMsgDownloadEnded = WM_APP + 1;

    void SetWindow(HWND window) { window_ = window; }
    // A new manager is about to start: messages of earlier runs are stale from now on.
    uintptr_t BeginRun() { return ++run_; }
    uintptr_t CurrentRun() const { return run_.load(); }
    // The user-interface thread has shown the final figures of run.
    void FinalUpdateDone(uintptr_t run) { finalDone_.store(run); }

    void OnFinalUpdate(const cMgrDownloader& manager) override;
    void OnDownloadComplete(int failedEntries) override;

private:
    HWND window_ = nullptr;
    std::atomic<uintptr_t> run_{0};
    std::atomic<uintptr_t> finalDone_{0};
};
