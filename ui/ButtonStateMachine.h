#pragma once
#include <cstdint>

// The skinned button's four states and how mouse messages move it between them. The window
// code feeds each message in and applies the reaction, in the order of the fields below:
// capture first, then tracking, then the new state with its repaint, and the click last, so
// that OnExecute runs after the state has gone back to over and the repaint was requested.

enum ButtonState : int32_t {
    kButtonNormal = 0,
    kButtonOver = 1,
    kButtonDown = 2,
    kButtonDisable = 3,
};

enum class ButtonEvent {
    MouseMove,    // WM_MOUSEMOVE
    LButtonDown,  // WM_LBUTTONDOWN
    LButtonUp,    // WM_LBUTTONUP
    MouseHover,   // WM_MOUSEHOVER (the pointer rested for the tracking request's hover time)
    MouseLeave,   // WM_MOUSELEAVE
};

struct ButtonInput {
    ButtonEvent event = ButtonEvent::MouseMove;
    // MouseMove: MK_LBUTTON in wParam.
    bool leftButtonHeld = false;
    // LButtonUp: the release point in client coordinates (signed 16-bit halves of lParam; with
    // the capture they may lie outside the window) and the window rectangle's size.
    int32_t x = 0;
    int32_t y = 0;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
};

struct ButtonReaction {
    bool setCapture = false;      // SetCapture
    bool releaseCapture = false;  // ReleaseCapture
    bool trackMouse = false;      // TrackMouseEvent, TME_HOVER | TME_LEAVE, kHoverTimeMs
    int32_t state = kButtonNormal;
    bool repaint = false;         // Invalidate
    bool execute = false;         // OnExecute
};

class ButtonStateMachine {
public:
    static constexpr uint32_t kHoverTimeMs = 3333;
    static constexpr uintptr_t kLeftButtonFlag = 0x0001;  // MK_LBUTTON

    // The reaction of a button in state to one mouse message.
    static ButtonReaction OnMouse(int32_t state, const ButtonInput& input);
    // Another part sets the state (0 enables, 3 disables). It always repaints, also when the
    // state does not change. A value that is not one of the four states is refused: the state
    // stays and nothing is repainted, since the state also picks the picture to draw.
    static ButtonReaction SetState(int32_t current, int32_t requested);

    // The click test after a release in state down: a point left of or above the window
    // (x or y below 0) is no click; one pixel beyond the right or bottom edge still is
    // (x <= width, not x < width).
    static bool IsClick(int32_t x, int32_t y, int32_t windowWidth, int32_t windowHeight);

    static bool IsValidState(int32_t state) { return state >= kButtonNormal && state <= kButtonDisable; }

    // Message decoding shared by the window code and the tests.
    static bool LeftButtonHeld(uintptr_t wParam) { return (wParam & kLeftButtonFlag) != 0; }
    static int32_t PointX(intptr_t lParam) {
        return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uintptr_t>(lParam) & 0xFFFFu));
    }
    static int32_t PointY(intptr_t lParam) {
        return static_cast<int16_t>(static_cast<uint16_t>((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFFu));
    }
};
