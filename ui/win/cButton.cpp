#include "ui/win/cButton.h"

#include "app/AppContext.h"
#include "json/cJson.h"
#include "ui/win/ComRelease.h"
#include "ui/win/Drawing.h"

cButton::cButton(int baseResourceId) : baseResourceId_(baseResourceId) {}

cButton::~cButton() {
    for (ID2D1Bitmap*& image : images_) ReleaseCom(image);
}

bool cButton::LoadConfig(cJson& document, const char* name) {
    CopyText(name_, name);
    cJson::Node* root = document.Root();
    cJson::Node* buttons = root ? root->Get("button") : nullptr;
    cJson::Node* entry = buttons ? buttons->Child(name_) : nullptr;
    if (!entry) return false;
    cJson::Node* n = entry->Child("x");
    if (!n) return false;
    x_ = n->GetInt();
    if (!(n = entry->Child("y"))) return false;
    y_ = n->GetInt();
    static const char* const kPictures[4] = {"normal", "over", "down", "disable"};
    for (int i = 0; i < 4; ++i) {
        if (!(n = entry->Child(kPictures[i]))) return false;
        imageNames_[i] = n->GetWString();
    }
    return true;
}

void cButton::Create(HWND parent) {
    parent_ = parent;
    width_ = 20;
    height_ = 20;
    if (CreateBound(WS_CHILD | WS_TABSTOP)) {
        ShowWindow(handle_, SW_HIDE);
        UpdateWindow(handle_);
    }
    if (handle_) ShowWindow(handle_, SW_SHOW);
}

void cButton::SetState(int state) { Apply(ButtonStateMachine::SetState(state_, state)); }

void cButton::Apply(const ButtonReaction& r) {
    if (r.setCapture) SetCapture(handle_);
    if (r.releaseCapture) ReleaseCapture();
    if (r.trackMouse && handle_) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = handle_;
        track.dwHoverTime = ButtonStateMachine::kHoverTimeMs;
        TrackMouseEvent(&track);
    }
    state_ = r.state;
    if (r.repaint) Invalidate();
    if (r.execute) OnExecute();
}

LRESULT cButton::OnMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    // Paint and the mouse behaviour are the button's own, whatever a subclass overrides;
    // only OnCreate and OnExecute dispatch virtually.
    switch (message) {
    case WM_CREATE:
        OnCreate();
        break;
    case WM_PAINT:
        cButton::OnPaint();
        break;
    case WM_MOUSEMOVE:
        cButton::OnMouseMove(wParam, lParam);
        break;
    case WM_LBUTTONDOWN:
        cButton::OnLButtonDown();
        break;
    case WM_LBUTTONUP:
        cButton::OnLButtonUp(wParam, lParam);
        break;
    case WM_MOUSEHOVER:
        cButton::OnMouseHover(wParam, lParam);
        break;
    case WM_MOUSELEAVE:
        cButton::OnMouseLeave(wParam, lParam);
        break;
    default:
        break;
    }
    return 0;
}

void cButton::OnCreate() {
    for (int i = 0; i < 4; ++i) {
        ReleaseCom(images_[i]);
        images_[i] = LoadImageFromResource(*this, baseResourceId_ + i);
    }
    if (!images_[0]) return;  // keeps its creation size and draws nothing
    const D2D1_SIZE_F size = images_[0]->GetSize();
    SetWindowPos(handle_, HWND_TOP, x_, y_, static_cast<int>(size.width), static_cast<int>(size.height),
                 SWP_SHOWWINDOW);
}

void cButton::OnPaint() {
    PaintCycle paint(*this);
    ID2D1RenderTarget* target = paint.Target();
    if (!images_[0] || !target) return;
    target->BeginDraw();
    // Nothing is cleared first: the picture covers the window.
    if (ID2D1Bitmap* image = images_[state_])
        target->DrawBitmap(image, nullptr, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
    if (FAILED(target->EndDraw())) ReportDrawError();
}

void cButton::OnMouseMove(WPARAM wParam, LPARAM) {
    ButtonInput in;
    in.event = ButtonEvent::MouseMove;
    in.leftButtonHeld = ButtonStateMachine::LeftButtonHeld(wParam);
    Apply(ButtonStateMachine::OnMouse(state_, in));
}

void cButton::OnLButtonDown() {
    ButtonInput in;
    in.event = ButtonEvent::LButtonDown;
    Apply(ButtonStateMachine::OnMouse(state_, in));
}

void cButton::OnLButtonUp(WPARAM, LPARAM lParam) {
    ButtonInput in;
    in.event = ButtonEvent::LButtonUp;
    in.x = ButtonStateMachine::PointX(lParam);
    in.y = ButtonStateMachine::PointY(lParam);
    RECT rc{};
    if (handle_) GetWindowRect(handle_, &rc);
    in.windowWidth = rc.right - rc.left;
    in.windowHeight = rc.bottom - rc.top;
    Apply(ButtonStateMachine::OnMouse(state_, in));
}

void cButton::OnMouseHover(WPARAM, LPARAM) {
    ButtonInput in;
    in.event = ButtonEvent::MouseHover;
    Apply(ButtonStateMachine::OnMouse(state_, in));
}

void cButton::OnMouseLeave(WPARAM, LPARAM) {
    ButtonInput in;
    in.event = ButtonEvent::MouseLeave;
    Apply(ButtonStateMachine::OnMouse(state_, in));
}
