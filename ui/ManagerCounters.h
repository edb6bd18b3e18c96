#pragma once
// Header only: the Windows windows and the console front end read the counters alike.
#include "download/cMgrDownloader.h"
#include "ui/ProgressFigures.h"

// The manager's counters as one reader sees them, each read whole.
inline ProgressCounters CountersOf(const cMgrDownloader& manager) {
    ProgressCounters c;
    c.totalSize = manager.GetTotalSize();
    c.received = manager.GetReceivedBytes();
    c.thisRun = manager.GetBytesThisRun();
    c.startTick = manager.GetStartTick();
    return c;
}
