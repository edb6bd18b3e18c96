#include "ui/ButtonStateMachine.h"

namespace {

ButtonReaction Stay(int32_t state) {
    ButtonReaction r;
    r.state = state;
    return r;
}

void MoveTo(ButtonReaction& r, int32_t state) {
    if (r.state != state) {
        r.state = state;
        r.repaint = true;
    }
}

}  // namespace

bool ButtonStateMachine::IsClick(int32_t x, int32_t y, int32_t windowWidth, int32_t windowHeight) {
    if (x < 0 || y < 0) return false;
    return x <= windowWidth && y <= windowHeight;
}

ButtonReaction ButtonStateMachine::OnMouse(int32_t state, const ButtonInput& input) {
    ButtonReaction r = Stay(state);
    switch (input.event) {
    case ButtonEvent::MouseMove:
        // Moving onto the button with the left button already held presses it, wherever
        // the press began.
        if (input.leftButtonHeld) {
            if (state == kButtonNormal || state == kButtonOver) {
                r.trackMouse = true;
                MoveTo(r, kButtonDown);
            }
        } else if (state == kButtonNormal || state == kButtonDown) {
            r.trackMouse = true;
            MoveTo(r, kButtonOver);
        }
        break;
    case ButtonEvent::LButtonDown:
        if (state == kButtonNormal || state == kButtonOver) {
            r.setCapture = true;
            MoveTo(r, kButtonDown);
        }
        break;
    case ButtonEvent::LButtonUp:
        // Every release gives the capture back, also on a disabled button: a press that
        // began while it was enabled may still hold it.
        r.releaseCapture = true;
        if (state == kButtonDown) {
            MoveTo(r, kButtonOver);
            r.execute = IsClick(input.x, input.y, input.windowWidth, input.windowHeight);
        }
        break;
    case ButtonEvent::MouseHover:
        // A hover or leave while held ends the press: the release that follows finds the
        // state over or normal and does not click.
        if (state == kButtonNormal || state == kButtonDown) MoveTo(r, kButtonOver);
        break;
    case ButtonEvent::MouseLeave:
        if (state == kButtonOver || state == kButtonDown) MoveTo(r, kButtonNormal);
        break;
    }
    return r;
}

ButtonReaction ButtonStateMachine::SetState(int32_t current, int32_t requested) {
    if (!IsValidState(requested)) return Stay(current);
    ButtonReaction r;
    r.state = requested;
    r.repaint = true;
    return r;
}
