#include "ui/win/cWinDownloadInfo.h"

#include <cwchar>

#include "app/AppContext.h"
#include "app/win/cWinMain.h"
#include "download/cMgrDownloader.h"
#include "json/cJson.h"
#include "platform/Clock.h"
#include "ui/win/ComRelease.h"
#include "ui/win/Drawing.h"
#include "ui/ManagerCounters.h"
#include "ui/win/cProgressBar.h"

namespace {

struct ItemGeometry {
    const char* key;
    float labelWidth;   // a
    float valueOffset;  // b
};

// In item order: remaining, elapsed, received, total.
constexpr ItemGeometry kItems[] = {
    {"time-remaining", 100.0f, 64.0f},
    {"elapse-time", 85.0f, 54.0f},
    {"total-recv", 100.0f, 67.0f},
    {"total-size", 100.0f, 63.0f},
};

// Label: the configured name and " :", cut to the field rather than overflowing it.
void MakeLabel(const wchar_t* name, wchar_t (&field)[kValueTextCapacity]) {
    size_t n = 0;
    for (const wchar_t* p = name; p && *p && n + 1 < kValueTextCapacity; ++p) field[n++] = *p;
    for (const wchar_t* p = L" :"; *p && n + 1 < kValueTextCapacity; ++p) field[n++] = *p;
    field[n] = L'\0';
}

}  // namespace

cWinDownloadInfo::cWinDownloadInfo() = default;

cWinDownloadInfo::~cWinDownloadInfo() {
    ReleaseCom(tagBrush_);
    ReleaseCom(valueBrush_);
    ReleaseCom(textFormat_);
    ReleaseCom(background_);
}

bool cWinDownloadInfo::Create(cJson& document) {
    cJson::Node* root = document.Root();
    cJson::Node* text = root ? root->Get("text") : nullptr;
    cJson::Node* tags = text ? text->Child("tag") : nullptr;
    if (!tags) return false;
    for (int i = 0; i < kItemCount; ++i) {
        cJson::Node* item = tags->Child(kItems[i].key);
        cJson::Node* name = item ? item->Child("name") : nullptr;
        if (!name) return false;
        MakeLabel(name->GetWString(), tagTexts_[i]);
        cJson::Node* x = item->Child("x");
        if (!x) return false;
        const float left = static_cast<float>(x->GetInt());
        tagRects_[i] = D2D1::RectF(left, 0.0f, left + kItems[i].labelWidth, 20.0f);
        valueRects_[i] = D2D1::RectF(left + kItems[i].valueOffset, 0.0f, left + 165.0f, 20.0f);
    }

    cJson::Node* fonts = root->Get("font");
    cJson::Node* tagFont = fonts ? fonts->Child("tag") : nullptr;
    if (!tagFont) return false;
    cJson::Node* family = tagFont->Child("name");
    if (!family) return false;
    cJson::Node* size = tagFont->Child("size");
    if (!size) return false;
    ReleaseCom(textFormat_);
    textFormat_ = MakeTextFormat(family->GetWString(), static_cast<float>(size->GetInt()));
    cJson::Node* n = tagFont->Child("color");
    if (!n) return false;
    tagColor_ = static_cast<unsigned>(n->GetHex());
    if (!(n = tagFont->Child("alpha"))) return false;
    tagAlpha_ = static_cast<float>(n->GetInt()) / 100.0f;
    cJson::Node* valueFont = fonts->Child("value");
    if (!valueFont) return false;
    if (!(n = valueFont->Child("color"))) return false;
    valueColor_ = static_cast<unsigned>(n->GetHex());
    if (!(n = valueFont->Child("alpha"))) return false;
    valueAlpha_ = static_cast<float>(n->GetInt()) / 100.0f;

    cWinMain* owner = AppContext ? AppContext->mainWindow : nullptr;
    parent_ = owner ? owner->Handle() : nullptr;
    SetPlacement(32, 287, 590, 20);
    if (CreateBound(WS_CHILD | WS_TABSTOP)) {
        ShowWindow(handle_, SW_HIDE);
        UpdateWindow(handle_);
    }
    if (handle_) ShowWindow(handle_, SW_SHOW);
    progressBar_ = owner ? &owner->progressBar : nullptr;
    timerId_ = handle_ ? SetTimer(handle_, kTimerId, kTimerPeriodMs, nullptr) : 0;
    timerRunning_ = timerId_ != 0;
    return true;
}

void cWinDownloadInfo::RestartTimer() {
    if (!timerRunning_ && handle_) {
        timerId_ = SetTimer(handle_, kTimerId, kTimerPeriodMs, nullptr);
        timerRunning_ = timerId_ != 0;
    }
}

void cWinDownloadInfo::SetTotalText(int64_t totalBytes) {
    ProgressFigures::FormatMBytes(totalBytes, valueTexts_[kTotal]);
}

LRESULT cWinDownloadInfo::OnMessage(HWND window, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (ID2D1RenderTarget* target = GetRenderTarget()) {
            target->CreateSolidColorBrush(ColorFromRgb(tagColor_, tagAlpha_), &tagBrush_);
            target->CreateSolidColorBrush(ColorFromRgb(valueColor_, valueAlpha_), &valueBrush_);
        }
        background_ = LoadImageFromResource(*this, 102);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kTimerId);
        timerRunning_ = false;
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_NCHITTEST:
        SendMessageA(parent_, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        return HTCLIENT;
    case WM_TIMER:
        OnTimer();
        return 0;
    default:
        return 0;
    }
}

void cWinDownloadInfo::OnTimer() {
    cMgrDownloader* manager = AppContext ? AppContext->downloader : nullptr;
    if (!manager) {
        if (!manifestRequested_) {
            manifestRequested_ = true;
            if (AppContext && AppContext->mainWindow) AppContext->mainWindow->LoadDownloadInfo();
        }
        return;
    }
    if (manager->IsCompleted()) {
        KillTimer(handle_, kTimerId);
        timerRunning_ = false;
    }
    const PanelFigures figures = ProgressFigures::ForPanel(CountersOf(*manager), platform::TickCount());
    if (!figures.changed) return;
    ProgressFigures::Widen(figures.receivedText, valueTexts_[kReceived]);
    ProgressFigures::Widen(figures.elapsedText, valueTexts_[kElapsed]);
    if (progressBar_) progressBar_->SetRate(figures.rate);
    ProgressFigures::Widen(figures.remainingText, valueTexts_[kRemaining]);
    if (progressBar_) progressBar_->SetPercent(figures.percent);
    Invalidate();
}

void cWinDownloadInfo::OnPaint() {
    PaintCycle paint(*this);
    ID2D1RenderTarget* target = paint.Target();
    if (!target) return;
    target->BeginDraw();
    if (background_)
        target->DrawBitmap(background_, D2D1::RectF(0.0f, 0.0f, 610.0f, 20.0f), 1.0f,
                           D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, D2D1::RectF(29.0f, 284.0f, 639.0f, 304.0f));
    if (textFormat_) {
        for (int i = 0; tagBrush_ && i < kItemCount; ++i)
            target->DrawText(tagTexts_[i], static_cast<UINT32>(wcslen(tagTexts_[i])), textFormat_, tagRects_[i],
                             tagBrush_, D2D1_DRAW_TEXT_OPTIONS_NO_SNAP, DWRITE_MEASURING_MODE_NATURAL);
        for (int i = 0; valueBrush_ && i < kItemCount; ++i)
            target->DrawText(valueTexts_[i], static_cast<UINT32>(wcslen(valueTexts_[i])), textFormat_, valueRects_[i],
                             valueBrush_, D2D1_DRAW_TEXT_OPTIONS_NO_SNAP, DWRITE_MEASURING_MODE_NATURAL);
    }
    if (FAILED(target->EndDraw())) ReportDrawError();
}
