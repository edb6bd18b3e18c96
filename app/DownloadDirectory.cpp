#include "app/DownloadDirectory.h"

#include <cstring>

#include "app/AppContext.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/TextCodePage.h"

namespace {
// Set and used on the user-interface thread only.
DownloadFolderListener* g_listener = nullptr;
}  // namespace

void DownloadDirectory::SetListener(DownloadFolderListener* listener) { g_listener = listener; }

DownloadFolderListener* DownloadDirectory::Listener() { return g_listener; }

std::vector<std::string> DownloadDirectory::Levels(const char* folder) {
    std::vector<std::string> levels;
    if (!folder) return levels;
    const char* drivePartEnd = std::strchr(folder, '\\');
    if (!drivePartEnd) return levels;
    const size_t length = std::strlen(folder);
    for (size_t i = static_cast<size_t>(drivePartEnd - folder) + 1; i < length; ++i)
        if (folder[i] == '\\') levels.emplace_back(folder, i);
    if (folder[length - 1] != '\\') levels.emplace_back(folder, length);
    return levels;
}

bool cApp::CreateDownloadDirectory(const char* path) {
    if (!AppContext || !path) return false;
    tAppContext& app = *AppContext;
    if (std::strlen(path) > DownloadDirectory::kMaxLength) return false;

    // Never more wide units than bytes, so a path that fits the narrow field fits the wide
    // one. A text the code page cannot convert leaves the wide copy empty rather than
    // showing the previous folder while the new one is in use.
    const int units = platform::AnsiToWideLength(path);
    if (units < 0 || !platform::AnsiToWide(path, app.downloadFolderWide, sizeof app.downloadFolderWide / sizeof(wchar_t)))
        app.downloadFolderWide[0] = L'\0';
    CopyText(app.downloadFolder, path);

    if (!std::strchr(app.downloadFolder, '\\')) {
        ShowMessage(DownloadDirectory::kNoBackslashMessage, platform::kIconWarning);
    } else {
        // A level that exists already, or a drive that cannot be written, fails here and is
        // found out later by whoever writes into the folder.
        for (const std::string& level : DownloadDirectory::Levels(app.downloadFolder))
            platform::CreateOneDirectory(level.c_str());
    }

    if (DownloadFolderListener* listener = DownloadDirectory::Listener()) listener->OnDownloadFolderChanged();
    return true;
}
