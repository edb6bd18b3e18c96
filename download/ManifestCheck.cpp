#include "download/ManifestCheck.h"

#include <cstdio>

#include "app/AppContext.h"
#include "download/cResDownloader.h"
#include "json/cJson.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"

namespace {

int32_t Version(const cJson& doc) {
    cJson::Node* root = doc.Root();
    cJson::Node* v = root ? root->Get("Version") : nullptr;
    return v ? v->GetInt() : 0;
}

[[noreturn]] void NetworkError() {
    ShowMessage("cWinMain::LoadDownloadInfo :: network error, try again...", platform::kIconWarning);
    TerminateProcessNow(0);
}

}  // namespace

int64_t CheckDownloadManifest() {
    const char* folder = AppContext->resourceFolder ? AppContext->resourceFolder : AppContext->workFolder;
    platform::SetCurrentDir(folder);
    char url[512];
    std::snprintf(url, sizeof url, "%sfile.json", AppContext->versionUrl);
    cResDownloader transfer;

    {
        cJson local;
        if (local.Load("file.json")) {
            const int32_t localVersion = Version(local);
            if (transfer.Download(url, "fileT.json") == 0) NetworkError();
            cJson fresh;
            fresh.Load("fileT.json");
            if (localVersion < Version(fresh)) {
                platform::RemoveFile("file.json");
                platform::RenameFile("fileT.json", "file.json");
            } else {
                platform::RemoveFile("fileT.json");
            }
        } else if (transfer.Download(url, "file.json") == 0) {
            NetworkError();
        }
    }

    cJson doc;
    doc.Load("file.json");
    cJson::Node* root = doc.Root();
    cJson::Node* size = root ? root->Get("TotalSize") : nullptr;
    return size ? size->GetInt64() : 0;
}
