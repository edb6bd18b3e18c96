#pragma once
#include <cstdint>

// The manifest check that every front end runs before the download: fetches "file.json" from
// AppContext->versionUrl into the folder that AppContext->resourceFolder designates (through
// "fileT.json" when a local copy exists, which is replaced only by a greater "Version") and
// returns the manifest's "TotalSize". A manifest that cannot be fetched ends the process with
// exit code 0 after "cWinMain::LoadDownloadInfo :: network error, try again...".
int64_t CheckDownloadManifest();
