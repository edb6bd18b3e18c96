#include "download/cFileDownloader.h"

#include "app/AppContext.h"
#include "download/cMgrDownloader.h"

cFileDownloader::cFileDownloader() : cHttp("cFileDownloader") {}

void cFileDownloader::OnReceived(int32_t count) {
    if (AppContext && AppContext->downloader) AppContext->downloader->OnReceived(count);
}

void cFileDownloader::OnStart(int64_t offset) {
    if (AppContext && AppContext->downloader) AppContext->downloader->OnStart(offset);
}

void cFileDownloader::OnRestart(int64_t offset) {
    if (AppContext && AppContext->downloader) AppContext->downloader->OnRestart(offset);
}
