#pragma once
#include "ui/ButtonStateMachine.h"
#include "ui/win/cWindow.h"

class cJson;

// A child window that shows one of four pictures (normal, over, down, disable), follows the
// mouse between them and runs OnExecute on a click. The pictures are resources
// baseId .. baseId + 3; only the position comes from the layout document.
class cButton : public cWindow {
public:
    explicit cButton(int baseResourceId);
    ~cButton() override;

    // Reads "button"/name: "x", "y" and the four picture names. False at the first missing one.
    bool LoadConfig(cJson& document, const char* name);
    // Creates the window at the configured place (20 x 20 until the pictures size it).
    void Create(HWND parent);

    // 0 enables, 3 disables. User-interface thread only.
    void SetState(int state);
    int State() const { return state_; }
    const char* Name() const { return name_; }
    int BaseResourceId() const { return baseResourceId_; }
    bool HasImage(int i) const { return i >= 0 && i < 4 && images_[i] != nullptr; }
    const wchar_t* ImageName(int i) const { return i >= 0 && i < 4 ? imageNames_[i] : nullptr; }

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    virtual void OnCreate();
    virtual void OnPaint();
    virtual void OnExecute() = 0;
    virtual void OnMouseHover(WPARAM wParam, LPARAM lParam);
    virtual void OnMouseMove(WPARAM wParam, LPARAM lParam);
    virtual void OnMouseLeave(WPARAM wParam, LPARAM lParam);
    virtual void OnLButtonDown();
    virtual void OnLButtonUp(WPARAM wParam, LPARAM lParam);

private:
    void Apply(const ButtonReaction& reaction);

    const wchar_t* imageNames_[4] = {};  // borrowed from the layout document
    char name_[64] = {};
    int state_ = kButtonNormal;
    int baseResourceId_;
    ID2D1Bitmap* images_[4] = {};
};
