#pragma once
#include <cstdint>
#include <dwrite.h>

#include "app/win/Buttons.h"
#include "app/win/WindowsDownloadObserver.h"
#include "ui/win/cProgressBar.h"
#include "ui/win/cWinDownloadInfo.h"
#include "ui/win/cWindow.h"

class cJson;

// The program's one top-level window: a borderless popup the size of the background,
// dragged by any point of it, owning the five buttons, the progress bar and the panel.
class cWinMain : public cWindow {
public:
    static constexpr UINT_PTR kFinalUpdateTimerId = 333;

    explicit cWinMain(cJson* layoutDocument);
    ~cWinMain() override;

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;

    void OnCreate();
    bool ApplyLayout();
    // The manifest check: fetch "file.json", keep the newer, learn the required size.
    void LoadDownloadInfo();
    bool ManifestSettled() const { return manifestSettled_; }
    // The manager's reports come through this observer; Start begins a run with it.
    WindowsDownloadObserver& Observer() { return observer_; }

    cBtnLaunch launch;
    cBtnStart start;
    cBtnPause pause;
    cBtnCancel cancel;
    cBtnFolder folder;
    D2D1_RECT_F folderTextRect{};
    int64_t requiredSize = 0;
    cProgressBar progressBar;
    cWinDownloadInfo downloadInfo;

private:
    void OnPaint();
    void OnFinalUpdate();
    void OnDownloadEnded(int failedEntries, uintptr_t run);
    bool IsCurrentRun(uintptr_t run) const;

    cJson* layout_;
    ID2D1Bitmap* background_ = nullptr;
    IDWriteTextFormat* folderTextFormat_ = nullptr;
    ID2D1SolidColorBrush* folderTextBrush_ = nullptr;
    bool manifestSettled_ = false;
    WindowsDownloadObserver observer_;
};
