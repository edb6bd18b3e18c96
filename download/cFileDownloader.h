#pragma once
#include "download/cHttp.h"

// One file of the manifest, on its own thread, resuming where the local copy ends. Reports to
// the manager that AppContext->downloader designates; nothing when there is none.
class cFileDownloader : public cHttp {
public:
    cFileDownloader();

protected:
    void OnReceived(int32_t count) override;
    void OnStart(int64_t offset) override;
    void OnRestart(int64_t offset) override;
};
