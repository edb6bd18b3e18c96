#include "ui/win/cProgressBar.h"

#include <cstring>

#include "json/cJson.h"
#include "ui/win/ComRelease.h"
#include "ui/win/Drawing.h"

cProgressBar::cProgressBar() = default;

cProgressBar::~cProgressBar() {
    delete[] name_;
    ReleaseCom(fillBrush_);
    ReleaseCom(textBrush_);
    ReleaseCom(textFormat_);
}

bool cProgressBar::LoadConfig(cJson& document) {
    delete[] name_;
    name_ = new char[6];
    std::memcpy(name_, "total", 6);

    cJson::Node* root = document.Root();
    cJson::Node* bar = root ? root->Get("progressbar") : nullptr;
    cJson::Node* total = bar ? bar->Child(name_) : nullptr;
    if (!total) return false;
    cJson::Node* n = nullptr;
    if (!(n = total->Child("x"))) return false;
    x_ = n->GetInt();
    if (!(n = total->Child("y"))) return false;
    y_ = n->GetInt();
    if (!(n = total->Child("width"))) return false;
    barWidth_ = n->GetInt();
    if (!(n = total->Child("height"))) return false;
    barHeight_ = n->GetInt();
    if (!(n = total->Child("bg-color"))) return false;
    backgroundColor_ = static_cast<unsigned>(n->GetHex());
    if (!(n = total->Child("fg-color"))) return false;
    fillColor_ = static_cast<unsigned>(n->GetHex());
    if (!(n = total->Child("draw-rate-text"))) return false;
    const char* flag = n->GetString();
    drawRateText_ = flag && std::strcmp(flag, "true") == 0;

    cJson::Node* fonts = root->Get("font");
    cJson::Node* font = fonts ? fonts->Child("progressbar") : nullptr;
    if (!font) return false;
    cJson::Node* family = font->Child("name");
    if (!family) return false;
    cJson::Node* size = font->Child("size");
    if (!size) return false;
    ReleaseCom(textFormat_);
    textFormat_ = MakeTextFormat(family->GetWString(), static_cast<float>(size->GetInt()));
    if (!(n = font->Child("alpha"))) return false;
    textAlpha_ = static_cast<float>(n->GetInt()) / 100.0f;
    if (!(n = font->Child("color"))) return false;
    textColor_ = static_cast<unsigned>(n->GetHex());
    return true;
}

void cProgressBar::SetTextRects() {
    const float w = static_cast<float>(barWidth_);
    percentRect_ = D2D1::RectF(w * 0.5f - 30.0f, 3.0f, w * 0.5f - 30.0f + 60.0f, 13.0f);
    rateRect_ = D2D1::RectF(w - 100.0f, 3.0f, w - 100.0f + 95.0f, 13.0f);
}

void cProgressBar::Create(HWND parent) {
    parent_ = parent;
    width_ = barWidth_;
    height_ = barHeight_;
    if (CreateBound(WS_CHILD)) {
        ShowWindow(handle_, SW_HIDE);
        UpdateWindow(handle_);
    }
    fillRect_ = D2D1::RectF(1.0f, 1.0f, static_cast<float>(fillWidth_ + 1), static_cast<float>(barHeight_ - 1));
    if (handle_) ShowWindow(handle_, SW_SHOW);
}

void cProgressBar::SetPercent(int percent) {
    if (percent == percent_) return;
    if (drawRateText_) ProgressFigures::FormatPercent(percent, percentText_);
    percent_ = percent;
    fillWidth_ = ProgressFigures::FillWidth(barWidth_, percent);
    fillRect_.right = static_cast<float>(fillWidth_ + 1);
    Invalidate();
}

void cProgressBar::SetRate(float rate) {
    if (rate == rate_) return;
    rate_ = rate;
    if (drawRateText_) ProgressFigures::FormatRate(rate, rateText_);
    Invalidate();
}

LRESULT cProgressBar::OnMessage(HWND window, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (ID2D1RenderTarget* target = GetRenderTarget()) {
            target->CreateSolidColorBrush(ColorFromRgb(fillColor_, 1.0f), &fillBrush_);
            target->CreateSolidColorBrush(ColorFromRgb(textColor_, textAlpha_), &textBrush_);
        }
        SetWindowPos(window, HWND_TOP, x_, y_, barWidth_, barHeight_, SWP_SHOWWINDOW);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_NCHITTEST:
        // Dragging the bar drags the window: the screen point goes to the parent unchanged.
        SendMessageA(parent_, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        return HTCLIENT;
    default:
        return 0;
    }
}

void cProgressBar::OnPaint() {
    PaintCycle paint(*this);
    ID2D1RenderTarget* target = paint.Target();
    if (!target) return;
    target->BeginDraw();
    target->Clear(ColorFromRgb(backgroundColor_, 1.0f));
    if (fillBrush_) target->FillRectangle(fillRect_, fillBrush_);
    if (drawRateText_ && textFormat_ && textBrush_) {
        textFormat_->SetTextAlignment(DWRITE_TEXT_ALIGNMENT_LEADING);
        target->DrawText(percentText_, static_cast<UINT32>(wcslen(percentText_)), textFormat_, percentRect_, textBrush_,
                         D2D1_DRAW_TEXT_OPTIONS_NONE, DWRITE_MEASURING_MODE_NATURAL);
        textFormat_->SetTextAlignment(DWRITE_TEXT_ALIGNMENT_TRAILING);
        target->DrawText(rateText_, static_cast<UINT32>(wcslen(rateText_)), textFormat_, rateRect_, textBrush_,
                         D2D1_DRAW_TEXT_OPTIONS_NONE, DWRITE_MEASURING_MODE_NATURAL);
    }
    if (FAILED(target->EndDraw())) ReportDrawError();
}
