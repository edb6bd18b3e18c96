#include "download/StopDownloader.h"

#include "app/AppContext.h"
#include "download/cMgrDownloader.h"

void StopDownloader() {
    if (!AppContext || !AppContext->downloader) return;
    cMgrDownloader* manager = AppContext->downloader;
    manager->Stop();
    // The record is cleared only after the deletion: the transfers stopped by it may still
    // report to the manager it designates.
    delete manager;
    AppContext->downloader = nullptr;
}
