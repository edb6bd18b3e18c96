#include "app/win/WindowsDownloadObserver.h"

#include "download/cMgrDownloader.h"
#include "platform/Clock.h"

void WindowsDownloadObserver::OnFinalUpdate(const cMgrDownloader& manager) {
    const uintptr_t run = run_.load();
    if (!window_ || !PostMessageA(window_, kMsgFinalUpdate, 0, static_cast<LPARAM>(run))) return;
    // Wait for the figures to be shown, as the panel's next tick must find them final; give up
    // the moment the manager is being stopped, since the stopping thread is the one we wait for.
    while (finalDone_.load() != run && manager.IsRunning()) platform::SleepMs(33);
}

void WindowsDownloadObserver::OnDownloadComplete(int failedEntries) {
    if (window_) PostMessageA(window_, kMsgDownloadEnded, static_cast<WPARAM>(failedEntries), static_cast<LPARAM>(run_.load()));
}
