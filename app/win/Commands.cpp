// What the five buttons do when clicked.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "app/AppContext.h"
#include "app/DiskSpaceCheck.h"
#include "app/VersionFile.h"
#include "app/cApp.h"
#include "app/win/Buttons.h"
#include "app/win/cWinMain.h"
#include "download/StopDownloader.h"
#include "download/cMgrDownloader.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"

namespace {

// The folder dialog's text control that shows the space information, while it is open.
HWND folderDialogLabel = nullptr;

cWinMain& Main() { return *AppContext->mainWindow; }

int CALLBACK FolderDialogCallback(HWND dialog, UINT notification, LPARAM param, LPARAM appValue) {
    switch (notification) {
    case BFFM_INITIALIZED: {
        // The title we gave the dialog marks the label whose text the space figures replace.
        // Found before the selection is set: selecting sends BFFM_SELCHANGED at once (Wine does
        // so within BFFM_SETSELECTIONA), and that first change must already fill the label.
        folderDialogLabel = nullptr;
        for (HWND child = FindWindowExA(dialog, nullptr, nullptr, nullptr); child;
             child = FindWindowExA(dialog, child, nullptr, nullptr)) {
            char text[1024] = {};
            GetWindowTextA(child, text, sizeof text);
            if (std::strstr(text, "_cBtnFolder_")) {
                folderDialogLabel = child;
                break;
            }
        }
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, appValue);
        // BFFM_SETEXPANDED has no ANSI form: with TRUE it reads a UTF-16 path, with FALSE an
        // item list, so the folder text is converted rather than passed as it is.
        wchar_t widePath[MAX_PATH] = {};
        if (MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(appValue), -1, widePath, MAX_PATH) > 0) {
            SendMessageA(dialog, BFFM_SETEXPANDED, TRUE, reinterpret_cast<LPARAM>(widePath));
        }
        break;
    }
    case BFFM_SELCHANGED: {
        char path[MAX_PATH] = {};
        if (!SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(param), path)) path[0] = '\0';
        const DiskSpaceCheck::SelectionVerdict verdict = DiskSpaceCheck::ForSelection(path, Main().requiredSize);
        if (verdict.disableOk) SendMessageA(dialog, BFFM_ENABLEOK, 0, 0);
        if (folderDialogLabel) SetWindowTextA(folderDialogLabel, verdict.label);
        break;
    }
    default:
        break;
    }
    return 0;
}

}  // namespace

void cBtnStart::OnExecute() {
    cWinMain& main = Main();
    // Settle the manifest first: a Start in the first third of a second after the window
    // appeared would otherwise test the free space against 0 and use a stale "file.json".
    if (!main.ManifestSettled()) main.LoadDownloadInfo();

    const DiskSpaceCheck::StartVerdict verdict = DiskSpaceCheck::ForStart(AppContext->downloadFolder, main.requiredSize);
    if (!verdict.enough) {
        MessageBoxA(main.Handle(), verdict.message, DiskSpaceCheck::kDiskMessageCaption, MB_ICONINFORMATION);
        return;
    }
    main.start.SetState(kButtonDisable);
    main.folder.SetState(kButtonDisable);
    main.pause.SetState(kButtonNormal);
    main.progressBar.SetPercent(0);
    StopDownloader();

    main.Observer().BeginRun();
    AppContext->downloader = new cMgrDownloader(&main.Observer());
    main.downloadInfo.RestartTimer();
    AppContext->downloader->Start();
}

void cBtnPause::OnCreate() {
    cButton::OnCreate();
    SetState(kButtonDisable);
}

void cBtnPause::OnExecute() {
    cWinMain& main = Main();
    SetState(kButtonDisable);
    StopDownloader();
    main.folder.SetState(kButtonNormal);
    main.start.SetState(kButtonNormal);
}

void cBtnFolder::OnExecute() {
    BROWSEINFOA info{};
    info.hwndOwner = Handle();
    info.lpszTitle = "_cBtnFolder_";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT | BIF_NEWDIALOGSTYLE;
    info.lpfn = FolderDialogCallback;
    info.lParam = reinterpret_cast<LPARAM>(AppContext->downloadFolder);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    folderDialogLabel = nullptr;
    if (!chosen) return;
    char path[MAX_PATH] = {};
    const bool havePath = SHGetPathFromIDListA(chosen, path) != 0;
    CoTaskMemFree(chosen);
    if (!havePath) return;
    if (cApp::CreateDownloadDirectory(path)) WriteVersionFile();
}

void cBtnLaunch::OnCreate() {
    cButton::OnCreate();
    SetState(kButtonDisable);
}

void cBtnLaunch::OnExecute() {
    if (AppContext->launchFile[0] == '\0') {
        ShowMessage("cBtnLaunch::OnExecute :: can't find an executable module.", MB_ICONWARNING);
        TerminateProcessNow(1);
    }
    // The name is relative to the download folder; make sure nothing since the manager's
    // start has moved the current directory elsewhere.
    platform::SetCurrentDir(AppContext->downloadFolder);
    SHELLEXECUTEINFOA exec{};
    exec.cbSize = sizeof exec;
    exec.lpVerb = "runas";
    exec.lpFile = AppContext->launchFile;
    exec.lpParameters = "";
    exec.lpDirectory = "";
    exec.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&exec);  // a refused elevation still closes the downloader
    DestroyWindow(Main().Handle());
}

void cBtnCancel::OnExecute() { Main().OnClose(); }
