#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/ButtonStateMachine.h"

namespace {

constexpr int32_t N = kButtonNormal, O = kButtonOver, D = kButtonDown, X = kButtonDisable;
constexpr int32_t kWidth = 70, kHeight = 30;

enum Event { MoveUp, MoveHeld, Down, UpInside, UpOutside, Hover, Leave };

ButtonInput InputFor(Event e) {
    ButtonInput in;
    in.windowWidth = kWidth;
    in.windowHeight = kHeight;
    switch (e) {
    case MoveUp: in.event = ButtonEvent::MouseMove; break;
    case MoveHeld: in.event = ButtonEvent::MouseMove; in.leftButtonHeld = true; break;
    case Down: in.event = ButtonEvent::LButtonDown; break;
    case UpInside: in.event = ButtonEvent::LButtonUp; in.x = 10; in.y = 10; break;
    case UpOutside: in.event = ButtonEvent::LButtonUp; in.x = -1; in.y = 10; break;
    case Hover: in.event = ButtonEvent::MouseHover; break;
    case Leave: in.event = ButtonEvent::MouseLeave; break;
    }
    return in;
}

// 1 in a column means the action is requested.
struct Row {
    int32_t state;
    Event event;
    int32_t next;
    int repaint, capture, release, track, execute;
};

TEST(ButtonStateMachine, TransitionTable) {
    const Row rows[] = {
        // mouse move, left button up
        {N, MoveUp, O, 1, 0, 0, 1, 0},
        {O, MoveUp, O, 0, 0, 0, 0, 0},
        {D, MoveUp, O, 1, 0, 0, 1, 0},
        {X, MoveUp, X, 0, 0, 0, 0, 0},
        // mouse move, left button held
        {N, MoveHeld, D, 1, 0, 0, 1, 0},
        {O, MoveHeld, D, 1, 0, 0, 1, 0},
        {D, MoveHeld, D, 0, 0, 0, 0, 0},
        {X, MoveHeld, X, 0, 0, 0, 0, 0},
        // left button down
        {N, Down, D, 1, 1, 0, 0, 0},
        {O, Down, D, 1, 1, 0, 0, 0},
        {D, Down, D, 0, 0, 0, 0, 0},
        {X, Down, X, 0, 0, 0, 0, 0},
        // left button up: the capture goes back in every state, only down can click
        {N, UpInside, N, 0, 0, 1, 0, 0},
        {O, UpInside, O, 0, 0, 1, 0, 0},
        {D, UpInside, O, 1, 0, 1, 0, 1},
        {D, UpOutside, O, 1, 0, 1, 0, 0},
        {X, UpInside, X, 0, 0, 1, 0, 0},
        // hover
        {N, Hover, O, 1, 0, 0, 0, 0},
        {O, Hover, O, 0, 0, 0, 0, 0},
        {D, Hover, O, 1, 0, 0, 0, 0},
        {X, Hover, X, 0, 0, 0, 0, 0},
        // leave
        {N, Leave, N, 0, 0, 0, 0, 0},
        {O, Leave, N, 1, 0, 0, 0, 0},
        {D, Leave, N, 1, 0, 0, 0, 0},
        {X, Leave, X, 0, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "state " << row.state << " event " << row.event);
        const ButtonReaction r = ButtonStateMachine::OnMouse(row.state, InputFor(row.event));
        EXPECT_EQ(r.state, row.next);
        EXPECT_EQ(r.repaint, row.repaint != 0);
        EXPECT_EQ(r.setCapture, row.capture != 0);
        EXPECT_EQ(r.releaseCapture, row.release != 0);
        EXPECT_EQ(r.trackMouse, row.track != 0);
        EXPECT_EQ(r.execute, row.execute != 0);
    }
}

TEST(ButtonStateMachine, ClickTestCountsTheEdgePixelButNotMinusOne) {
    struct Case {
        int32_t x, y;
        bool click;
    } cases[] = {
        {0, 0, true},
        {kWidth, 0, true},            // one pixel right of the button still clicks
        {0, kHeight, true},
        {kWidth, kHeight, true},
        {kWidth + 1, 0, false},
        {0, kHeight + 1, false},
        {-1, 5, false},
        {5, -1, false},
        {-32768, -32768, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(ButtonStateMachine::IsClick(c.x, c.y, kWidth, kHeight), c.click);
    }
}

TEST(ButtonStateMachine, PointHalvesAreSigned16Bit) {
    struct Case {
        uint64_t lParam;
        int32_t x, y;
    } cases[] = {
        {0x001E0046u, 70, 30},
        {0xFFFF0005u, 5, -1},
        {0x0005FFFFu, -1, 5},
        {0x80008000u, -32768, -32768},
        {0xABCD12340001000Full, 15, 1},  // on Win64 the upper half of lParam plays no part
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lParam);
        const auto lParam = static_cast<intptr_t>(static_cast<uintptr_t>(c.lParam));
        if (sizeof(intptr_t) < 8 && c.lParam > 0xFFFFFFFFu) continue;
        EXPECT_EQ(ButtonStateMachine::PointX(lParam), c.x);
        EXPECT_EQ(ButtonStateMachine::PointY(lParam), c.y);
    }
    EXPECT_TRUE(ButtonStateMachine::LeftButtonHeld(0x0001));
    EXPECT_TRUE(ButtonStateMachine::LeftButtonHeld(0x0009));  // MK_LBUTTON | MK_CONTROL
    EXPECT_FALSE(ButtonStateMachine::LeftButtonHeld(0x0002));  // MK_RBUTTON only
}

TEST(ButtonStateMachine, SetStateAlwaysRepaintsAndRefusesUnknownStates) {
    for (int32_t from : {N, O, D, X}) {
        for (int32_t to : {N, O, D, X}) {
            SCOPED_TRACE(testing::Message() << from << "->" << to);
            const ButtonReaction r = ButtonStateMachine::SetState(from, to);
            EXPECT_EQ(r.state, to);
            EXPECT_TRUE(r.repaint);
            EXPECT_FALSE(r.execute);
        }
        for (int32_t bad : {-1, 4, 100}) {
            SCOPED_TRACE(testing::Message() << from << "->" << bad);
            const ButtonReaction r = ButtonStateMachine::SetState(from, bad);
            EXPECT_EQ(r.state, from);
            EXPECT_FALSE(r.repaint);
        }
    }
}

// A button as the window code drives it: apply each reaction, count the clicks.
struct DrivenButton {
    int32_t state = kButtonNormal;
    int clicks = 0;
    bool captured = false;
    void Feed(Event e) {
        const ButtonReaction r = ButtonStateMachine::OnMouse(state, InputFor(e));
        if (r.setCapture) captured = true;
        if (r.releaseCapture) captured = false;
        state = r.state;
        if (r.execute) ++clicks;
    }
};

TEST(ButtonStateMachine, GestureSequences) {
    struct Case {
        const char* what;
        int32_t start;
        std::vector<Event> events;
        int clicks;
        int32_t end;
    } cases[] = {
        {"press and release on the button", N, {MoveUp, Down, UpInside}, 1, O},
        {"press, drag off, release elsewhere", N, {MoveUp, Down, Leave, UpOutside}, 0, N},
        {"press, drag off, drag back, release", N, {MoveUp, Down, Leave, MoveHeld, UpInside}, 1, O},
        {"held elsewhere, moved onto the button, released", N, {MoveHeld, UpInside}, 1, O},
        {"hover while held ends the press", N, {MoveUp, Down, Hover, UpInside}, 0, O},
        {"two clicks", N, {MoveUp, Down, UpInside, Down, UpInside}, 2, O},
        {"disabled ignores everything", X, {MoveUp, Down, MoveHeld, Hover, UpInside, Leave}, 0, X},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DrivenButton b;
        b.state = c.start;
        for (Event e : c.events) b.Feed(e);
        EXPECT_EQ(b.clicks, c.clicks);
        EXPECT_EQ(b.state, c.end);
        EXPECT_FALSE(b.captured);
    }
}

}  // namespace
