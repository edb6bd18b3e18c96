#include "cli/FetchObserver.h"

#include <cstdio>

#include "download/EngineClock.h"
#include "download/cMgrDownloader.h"
#include "ui/ManagerCounters.h"
#include "ui/ProgressFigures.h"

void FetchObserver::PrintProgress(const cMgrDownloader& manager, uint32_t now) {
    const ProgressCounters c = CountersOf(manager);
    const PanelFigures f = ProgressFigures::ForPanel(c, now);
    if (!f.changed) return;
    ValueText total, rate;
    PercentText percent;
    ProgressFigures::FormatMBytes(c.totalSize, total);
    ProgressFigures::FormatPercent(f.percent, percent);
    ProgressFigures::FormatRate(f.rate, rate);
    std::lock_guard<std::mutex> lock(printLock_);
    std::printf("%s / %s  elapsed %s  remaining %s  %s  %s\n", f.receivedText, total, f.elapsedText, f.remainingText,
                percent, rate);
    std::fflush(stdout);
}

void FetchObserver::OnFinalUpdate(const cMgrDownloader& manager) {
    const ProgressCounters c = CountersOf(manager);
    const uint32_t now = EngineClock().TickCount();
    const FinalFigures f = ProgressFigures::ForFinalUpdate(c, now);
    if (!f.changed) return;
    const PanelFigures panel = ProgressFigures::ForPanel(c, now);
    ValueText total, rate;
    PercentText percent;
    ProgressFigures::FormatMBytes(c.totalSize, total);
    ProgressFigures::FormatPercent(f.percent, percent);
    ProgressFigures::FormatRate(f.rate, rate);
    std::lock_guard<std::mutex> lock(printLock_);
    std::printf("%s / %s  elapsed %s  done  %s  %s\n", panel.receivedText, total, panel.elapsedText, percent, rate);
    std::fflush(stdout);
}

void FetchObserver::OnDownloadComplete(int failedEntries) {
    failed_.store(failedEntries);
    completed_.store(true);
}
