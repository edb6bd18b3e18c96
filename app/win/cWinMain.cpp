#include "app/win/cWinMain.h"

#include <cstdio>
#include <cwchar>

#include "app/AppContext.h"
#include "app/DownloadDirectory.h"
#include "app/ScreenPosition.h"
#include "app/VersionFile.h"
#include "download/ManifestCheck.h"
#include "download/StopDownloader.h"
#include "download/cMgrDownloader.h"
#include "json/cJson.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "ui/win/ComRelease.h"
#include "ui/win/Drawing.h"
#include "ui/ManagerCounters.h"

cWinMain::cWinMain(cJson* layoutDocument) : layout_(layoutDocument) {}

cWinMain::~cWinMain() {
    ReleaseCom(folderTextFormat_);
    ReleaseCom(folderTextBrush_);
    ReleaseCom(background_);
}

LRESULT cWinMain::OnMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(1);
        return 0;
    case WM_PAINT: {
        OnPaint();
        // The children repaint over the fresh background.
        for (cWindow* child : std::initializer_list<cWindow*>{&cancel, &folder, &launch, &pause, &start, &progressBar,
                                                              &downloadInfo})
            child->Invalidate();
        return 0;
    }
    case WM_NCHITTEST:
        return HTCAPTION;  // drag the window by any point of its background
    case WM_TIMER:
        OnFinalUpdate();
        return 0;
    case WindowsDownloadObserver::kMsgFinalUpdate:
        // The manager's final update, handed over by its thread instead of a blocking send.
        if (IsCurrentRun(static_cast<uintptr_t>(lParam))) OnFinalUpdate();
        observer_.FinalUpdateDone(static_cast<uintptr_t>(lParam));
        return 0;
    case WindowsDownloadObserver::kMsgDownloadEnded:
        OnDownloadEnded(static_cast<int>(wParam), static_cast<uintptr_t>(lParam));
        return 0;
    default:
        return 0;
    }
}

void cWinMain::OnCreate() {
    observer_.SetWindow(handle_);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    background_ = LoadImageFromResource(*this, 102);
    int pictureWidth = 0, pictureHeight = 0;
    if (background_) {
        const D2D1_SIZE_U size = background_->GetPixelSize();
        pictureWidth = static_cast<int>(size.width);
        pictureHeight = static_cast<int>(size.height);
    }
    const WindowPlacement place = ScreenPosition::ForBackground(screenWidth, screenHeight, pictureWidth, pictureHeight);
    SetPlacement(place.x, place.y, place.width, place.height);

    if (AppContext && AppContext->resourceFolder) platform::SetCurrentDir(AppContext->resourceFolder);

    if (!ApplyLayout()) {
        ShowMessage("cWinMain::OnCreate :: ux-json error (-21)", MB_ICONWARNING);
        PostQuitMessage(-1);
        return;
    }
    for (cButton* button : std::initializer_list<cButton*>{&folder, &launch, &start, &pause, &cancel})
        button->Create(handle_);
    progressBar.Create(handle_);
    downloadInfo.Create(*layout_);  // without its settings the panel simply does not appear
}

bool cWinMain::ApplyLayout() {
    cJson::Node* root = layout_ ? layout_->Root() : nullptr;
    if (!root) return false;

    cJson::Node* folderEntry = root->Get("folder");
    if (folderEntry && folderEntry->Child("default")) {
        if (AppContext && AppContext->downloadFolder[0] == '\0')
            cApp::CreateDownloadDirectory(DownloadDirectory::kDefaultFolder);
        if (cJson::Node* x = folderEntry->Child("x")) {
            folderTextRect.left = static_cast<float>(x->GetInt());
            folderTextRect.right = static_cast<float>(x->GetInt() + 173);
            if (cJson::Node* y = folderEntry->Child("y")) {
                folderTextRect.top = static_cast<float>(y->GetInt());
                folderTextRect.bottom = static_cast<float>(y->GetInt() + 19);
            }
        }
    }

    cJson::Node* fonts = root->Get("font");
    cJson::Node* value = fonts ? fonts->Child("value") : nullptr;
    cJson::Node* family = value ? value->Child("name") : nullptr;
    cJson::Node* size = value ? value->Child("size") : nullptr;
    cJson::Node* alpha = value ? value->Child("alpha") : nullptr;
    cJson::Node* color = value ? value->Child("color") : nullptr;
    if (family && size && alpha && color) {
        ReleaseCom(folderTextFormat_);
        ReleaseCom(folderTextBrush_);
        folderTextFormat_ = MakeTextFormat(family->GetWString(), static_cast<float>(size->GetInt()));
        if (ID2D1RenderTarget* target = GetRenderTarget())
            target->CreateSolidColorBrush(
                ColorFromRgb(static_cast<unsigned>(color->GetHex()), static_cast<float>(alpha->GetInt()) / 100.0f),
                &folderTextBrush_);
    }

    if (!launch.LoadConfig(*layout_, "launch") || !start.LoadConfig(*layout_, "start") ||
        !pause.LoadConfig(*layout_, "pause") || !cancel.LoadConfig(*layout_, "cancel") ||
        !folder.LoadConfig(*layout_, "folder"))
        return false;
    if (!progressBar.LoadConfig(*layout_)) return false;
    progressBar.SetTextRects();

    WriteVersionFile();
    Invalidate();
    return true;
}

void cWinMain::OnPaint() {
    PaintCycle paint(*this);
    ID2D1RenderTarget* target = paint.Target();
    if (!target) return;
    RECT rc{};
    GetClientRect(handle_, &rc);
    const D2D1_RECT_F whole = D2D1::RectF(0.0f, 0.0f, static_cast<float>(rc.right), static_cast<float>(rc.bottom));
    target->BeginDraw();
    if (background_)
        target->DrawBitmap(background_, whole, 0.99f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, whole);
    if (folderTextFormat_ && folderTextBrush_ && AppContext)
        target->DrawText(AppContext->downloadFolderWide, static_cast<UINT32>(wcslen(AppContext->downloadFolderWide)),
                         folderTextFormat_, folderTextRect, folderTextBrush_, D2D1_DRAW_TEXT_OPTIONS_CLIP,
                         DWRITE_MEASURING_MODE_NATURAL);
    if (FAILED(target->EndDraw())) ReportDrawError();
}

void cWinMain::OnClose() {
    // Owner and caption by the one message convention.
    if (ShowMessage(AppContext->exitQuestion, MB_ICONQUESTION | MB_OKCANCEL) != IDOK) return;
    StopDownloader();
    DestroyWindow(handle_);
}

bool cWinMain::IsCurrentRun(uintptr_t run) const {
    return AppContext && AppContext->downloader && run == observer_.CurrentRun();
}

void cWinMain::OnFinalUpdate() {
    cMgrDownloader* manager = AppContext ? AppContext->downloader : nullptr;
    if (!manager || !manager->IsRunning() || manager->IsCompleted() || manager->GetTotalSize() == 0) return;
    const FinalFigures figures = ProgressFigures::ForFinalUpdate(CountersOf(*manager), platform::TickCount());
    if (!figures.changed) return;
    progressBar.SetRate(figures.rate);
    progressBar.SetPercent(figures.percent);
    Invalidate();
}

void cWinMain::OnDownloadEnded(int failedEntries, uintptr_t run) {
    // A report of a manager that was stopped or replaced meanwhile changes nothing.
    if (!IsCurrentRun(run) || !AppContext->downloader->IsCompleted()) return;
    pause.SetState(kButtonDisable);
    if (failedEntries == 0) {
        launch.SetState(kButtonNormal);
    } else {
        // Not every file arrived whole: no Launch; Start and Folder let the user retry.
        start.SetState(kButtonNormal);
        folder.SetState(kButtonNormal);
        char text[256];
        std::snprintf(text, sizeof text,
                      "The download did not complete: %d file(s) could not be downloaded.\n"
                      "Please check your network and press Start to try again.",
                      failedEntries);
        ShowMessage(text, MB_ICONWARNING);
    }
    SetFocus(handle_);
    SetActiveWindow(handle_);
    BringWindowToTop(handle_);
    SetForegroundWindow(handle_);
    FLASHWINFO flash{};
    flash.cbSize = sizeof flash;
    flash.hwnd = handle_;
    flash.dwFlags = FLASHW_ALL;
    flash.uCount = 3;
    flash.dwTimeout = 0;
    FlashWindowEx(&flash);
}

void cWinMain::LoadDownloadInfo() {
    requiredSize = CheckDownloadManifest();
    manifestSettled_ = true;
    downloadInfo.SetTotalText(requiredSize);
    downloadInfo.Invalidate();
}
