#pragma once
#include <dwrite.h>

#include "ui/ProgressFigures.h"
#include "ui/win/cWindow.h"

class cJson;

// The bar of the whole download: a fill over a plain background and, when configured, the
// percentage in the middle and the rate at the right end.
class cProgressBar : public cWindow {
public:
    cProgressBar();
    ~cProgressBar() override;

    // Reads "progressbar"/"total" and "font"/"progressbar"; false at the first missing member.
    bool LoadConfig(cJson& document);
    // The two text boxes from the configured width.
    void SetTextRects();
    // Creates the child window at the configured place.
    void Create(HWND parent);

    void SetPercent(int percent);  // hundredths of a percent
    void SetRate(float rate);      // MiB per second

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // For tests and the window's owner.
    int ConfiguredWidth() const { return barWidth_; }
    int ConfiguredHeight() const { return barHeight_; }
    const wchar_t* PercentText() const { return percentText_; }
    const wchar_t* RateText() const { return rateText_; }
    const D2D1_RECT_F& FillRect() const { return fillRect_; }
    const D2D1_RECT_F& PercentRect() const { return percentRect_; }
    const D2D1_RECT_F& RateRect() const { return rateRect_; }
    bool DrawsRateText() const { return drawRateText_; }
    int Percent() const { return percent_; }

private:
    void OnPaint();

    char* name_ = nullptr;
    int barWidth_ = 0, barHeight_ = 0;
    unsigned backgroundColor_ = 0, fillColor_ = 0;
    bool drawRateText_ = false;
    PercentTextWide percentText_ = L"0.00%";
    D2D1_RECT_F percentRect_{};
    ValueTextWide rateText_ = L"0.000 MiB/Sec";
    D2D1_RECT_F rateRect_{};
    IDWriteTextFormat* textFormat_ = nullptr;
    ID2D1SolidColorBrush* textBrush_ = nullptr;
    unsigned textColor_ = 0;
    float textAlpha_ = 0.0f;
    int percent_ = 0;
    float rate_ = 0.0f;
    int fillWidth_ = 0;
    D2D1_RECT_F fillRect_{};
    ID2D1SolidColorBrush* fillBrush_ = nullptr;
};
