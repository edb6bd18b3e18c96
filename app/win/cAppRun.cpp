// The application run of the Windows program: layout document, main window, message loop.
#include <windows.h>

#include <cstring>

#include "BuildConfig.h"

#include "app/AppContext.h"
#include "app/DownloadDirectory.h"
#include "app/VersionFile.h"
#include "app/cApp.h"
#include "app/win/cWinMain.h"
#include "json/cJson.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"

namespace {

const char* TextOf(cJson::Node* node) { return node ? node->GetString() : nullptr; }

void ReadMessageTexts(cJson& layout) {
    cJson::Node* root = layout.Root();
    cJson::Node* box = root ? root->Get("message-box") : nullptr;
    const char* title = box ? TextOf(box->Child("title")) : nullptr;
    const char* exit = box ? TextOf(box->Child("exit")) : nullptr;
    const char* error = box ? TextOf(box->Child("error")) : nullptr;
    CopyText(AppContext->caption, title ? title : "tolvin-downloader...");
    CopyText(AppContext->exitQuestion, exit ? exit : "Are you really going to quit?");
    CopyText(AppContext->errorText, error ? error : "network error, try again.");
}

// Repaints the folder text whenever the download folder changes.
class FolderRepaint final : public DownloadFolderListener {
public:
    void OnDownloadFolderChanged() override {
        if (AppContext && AppContext->mainWindow && AppContext->mainWindow->Handle())
            InvalidateRect(AppContext->mainWindow->Handle(), nullptr, FALSE);
    }
};

}  // namespace

void cApp::CheckVersion(cJson& layout) {
    cJson::Node* root = layout.Root();
    cJson::Node* version = root ? root->Get("version") : nullptr;
    if (!version) {
        ShowMessage("cApp::CheckVersion :: version check error(-41)", MB_ICONWARNING);
        TerminateProcessNow(0);
    }
    CopyText(AppContext->version, version->GetString());

    // "use-local-resource" is read, but the manifests always live in the work folder: every
    // other part relies on that, and the program's own folder may not be writable.
    cJson::Node* local = root->Get("use-local-resource");
    (void)local;
    AppContext->resourceFolder = AppContext->workFolder;
    platform::SetCurrentDir(AppContext->resourceFolder);

    if (AppContext->downloadFolder[0] == '\0') VersionFile::RestoreDownloadFolder();
}

int cApp::OnExecute() {
    AppContext->resourceFolder = AppContext->workFolder;
    platform::SetCurrentDir(AppContext->workFolder);

    static FolderRepaint repaint;
    DownloadDirectory::SetListener(&repaint);

    cJson layout;
    if (!layout.LoadFromResource() || !layout.Root()) {
        ShowMessage("cApp::OnExecute :: file(ux.json) loading error (-22)", MB_ICONWARNING);
        return 0;
    }

    auto* window = new cWinMain(&layout);
    AppContext->mainWindow = window;
    CopyText(AppContext->versionUrl, TOLVIN_VERSION_URL);
    CheckVersion(layout);
    ReadMessageTexts(layout);

    window->SetPlacement(10, 10, 100, 100);
    if (!window->CreateBound(WS_POPUP)) {
        AppContext->mainWindow = nullptr;
        delete window;
        return 0;
    }
    ShowWindow(window->Handle(), SW_SHOW);
    UpdateWindow(window->Handle());
    MoveWindow(window->Handle(), window->X(), window->Y(), window->Width(), window->Height(), TRUE);
    cJson::Node* title = layout.Root()->Get("window-title");
    if (title) SetWindowTextA(window->Handle(), title->GetString());

    MSG msg{};
    int result = 0;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            result = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) break;  // an invalid call; nothing sensible is left to dispatch
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    AppContext->mainWindow = nullptr;
    DownloadDirectory::SetListener(nullptr);
    delete window;
    return result;
}
