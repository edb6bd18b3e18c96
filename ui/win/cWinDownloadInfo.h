#pragma once
#include <dwrite.h>

#include "ui/ProgressFigures.h"
#include "ui/win/cPanel.h"

class cJson;
class cProgressBar;

// The information strip: remaining time, elapsed time, received and total size. Its timer
// (every 333 ms) refreshes the figures from the download manager and feeds the progress bar;
// its first tick with no manager asks the main window for the manifest, once.
class cWinDownloadInfo : public cPanel {
public:
    enum Item { kRemaining = 0, kElapsed = 1, kReceived = 2, kTotal = 3, kItemCount = 4 };

    cWinDownloadInfo();
    ~cWinDownloadInfo() override;

    // Reads the labels and fonts, creates the window and starts the timer. False, with no
    // window and no timer, at the first missing member.
    bool Create(cJson& document);
    void OnTimer();
    // A download that ended with failures can be started again: its figures must move again.
    void RestartTimer();

    // The main window writes the total from the manifest.
    void SetTotalText(int64_t totalBytes);

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    const wchar_t* TagText(Item i) const { return tagTexts_[i]; }
    const wchar_t* ValueTextOf(Item i) const { return valueTexts_[i]; }
    const D2D1_RECT_F& TagRect(Item i) const { return tagRects_[i]; }
    const D2D1_RECT_F& ValueRect(Item i) const { return valueRects_[i]; }
    bool ManifestRequested() const { return manifestRequested_; }
    bool TimerRunning() const { return timerRunning_; }

    static constexpr UINT_PTR kTimerId = 1;
    static constexpr UINT kTimerPeriodMs = 333;

private:
    void OnPaint();

    ID2D1SolidColorBrush* tagBrush_ = nullptr;
    ID2D1SolidColorBrush* valueBrush_ = nullptr;
    IDWriteTextFormat* textFormat_ = nullptr;
    D2D1_RECT_F tagRects_[kItemCount] = {};
    D2D1_RECT_F valueRects_[kItemCount] = {};
    ValueTextWide tagTexts_[kItemCount] = {};
    ValueTextWide valueTexts_[kItemCount] = {L"00:00:00", L"00:00:00", L"000.0 MBytes", L"000.0 MBytes"};
    ID2D1Bitmap* background_ = nullptr;
    unsigned tagColor_ = 0;
    float tagAlpha_ = 0.0f;
    unsigned valueColor_ = 0;
    float valueAlpha_ = 0.0f;
    UINT_PTR timerId_ = 0;
    bool manifestRequested_ = false;
    bool timerRunning_ = false;
    cProgressBar* progressBar_ = nullptr;
};
