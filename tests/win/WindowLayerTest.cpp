// The window layer under real Win32: the one class, routing, the skinned button driven by
// mouse messages, the decoded pictures, the progress bar and the panel of the main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/win/cWinMain.h"
#include "json/cJson.h"
#include "platform/Host.h"
#include "platform/Resource.h"
#include "ui/win/ComRelease.h"
#include "ui/win/Drawing.h"
#include "ui/win/cButton.h"
#include "ui/win/cProgressBar.h"
#include "ui/win/cWindow.h"

namespace {

struct Terminated {
    int code;
};

// Records every message instead of showing it; OK/Cancel questions get the prepared answer.
class RecordingHost final : public platform::Host {
public:
    int ShowMessage(const char* text, unsigned flags) override {
        messages.emplace_back(text ? text : "");
        return (flags & MB_OKCANCEL) ? answer : IDOK;
    }
    [[noreturn]] void Terminate(int exitCode) override { throw Terminated{exitCode}; }
    std::vector<std::string> messages;
    int answer = IDCANCEL;
};

// A plain window object: counts close requests and hit-test forwards from its children.
class TestWindow : public cWindow {
public:
    LRESULT OnMessage(HWND, UINT message, WPARAM wParam, LPARAM) override {
        if (message == WM_NCLBUTTONDOWN && wParam == HTCAPTION) ++captionDrags;
        if (message == WM_CLOSE && swallowClose) return 1;
        return 0;
    }
    void OnClose() override { ++closeRequests; }
    HWND CreatePopup(int width = 300, int height = 200) {
        SetPlacement(0, 0, width, height);
        return CreateBound(WS_POPUP);
    }
    int closeRequests = 0;
    int captionDrags = 0;
    bool swallowClose = false;
};

class TestButton : public cButton {
public:
    TestButton() : cButton(146) {}
    void OnExecute() override { ++clicks; }
    int clicks = 0;
};

class WindowLayer : public ::testing::Test {
protected:
    void SetUp() override {
        AppContext = new tAppContext;
        AppContext->instance = GetModuleHandleA(nullptr);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        CopyText(AppContext->workFolder, temp);
        AppendText(AppContext->workFolder, "tolvin-win-test\\");
        CreateDirectoryA(AppContext->workFolder, nullptr);
        AppContext->resourceFolder = AppContext->workFolder;
        CopyText(AppContext->exitQuestion, "Are you really going to quit?");  // as the run fills it
        platform::SetHost(&host);
        ASSERT_TRUE(layout.LoadFromResource());
        ASSERT_NE(layout.Root(), nullptr);
    }
    void TearDown() override {
        platform::SetHost(nullptr);
        delete AppContext;
        AppContext = nullptr;
    }
    static bool ClassRegistered() {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        return GetClassInfoExA(GetModuleHandleA(nullptr), cWindow::ClassName(), &wc) != 0;
    }
    static LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y))); }

    RecordingHost host;
    cJson layout;
};

TEST_F(WindowLayer, TheClassAndTheFactoriesFollowTheWindowCount) {
    ASSERT_EQ(cWindow::WindowCount(), 0);
    EXPECT_FALSE(ClassRegistered());
    EXPECT_EQ(cWindow::D2DFactory(), nullptr);
    {
        TestWindow first;
        EXPECT_EQ(cWindow::WindowCount(), 1);
        EXPECT_TRUE(ClassRegistered());
        ID2D1Factory* d2d = cWindow::D2DFactory();
        EXPECT_NE(d2d, nullptr);
        EXPECT_NE(cWindow::ImagingFactory(), nullptr);
        {
            TestWindow second;
            EXPECT_EQ(cWindow::WindowCount(), 2);
            EXPECT_EQ(cWindow::D2DFactory(), d2d) << "only the first window brings the factories up";
        }
        EXPECT_EQ(cWindow::WindowCount(), 1);
        EXPECT_TRUE(ClassRegistered());
    }
    EXPECT_EQ(cWindow::WindowCount(), 0);
    EXPECT_FALSE(ClassRegistered());
    EXPECT_EQ(cWindow::D2DFactory(), nullptr);
    EXPECT_EQ(cWindow::ImagingFactory(), nullptr);
    TestWindow again;
    EXPECT_TRUE(ClassRegistered()) << "a new first window brings everything up again";
}

TEST_F(WindowLayer, CloseAndEscapeReachOnCloseAndNeverDestroyTheWindow) {
    TestWindow window;
    HWND hwnd = window.CreatePopup();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(window.Handle(), hwnd);

    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_TRUE(IsWindow(hwnd));
    SendMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(window.closeRequests, 2);
    SendMessageA(hwnd, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(window.closeRequests, 2);

    window.swallowClose = true;  // a handler's own answer suppresses the routing
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(window.closeRequests, 2);

    DestroyWindow(hwnd);
    EXPECT_EQ(window.Handle(), nullptr) << "WM_NCDESTROY unbinds the object";
    window.Invalidate();  // and a repaint request then does nothing
}

TEST_F(WindowLayer, PicturesDecodeToTheirSizes) {
    TestWindow window;
    ASSERT_NE(window.CreatePopup(), nullptr);
    struct Case {
        int id;
        float width, height;
    } cases[] = {{102, 640, 380}};
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (int id = 134; id <= 153; ++id) all.push_back({id, 70, 30});
    for (const Case& c : all) {
        SCOPED_TRACE(c.id);
        ID2D1Bitmap* bitmap = LoadImageFromResource(window, c.id);
        ASSERT_NE(bitmap, nullptr);
        const D2D1_SIZE_F size = bitmap->GetSize();
        EXPECT_EQ(size.width, c.width);
        EXPECT_EQ(size.height, c.height);
        ReleaseCom(bitmap);
    }
    EXPECT_EQ(LoadImageFromResource(window, 103), nullptr) << "no such resource";
}

TEST_F(WindowLayer, ColoursFromTheLayout) {
    const D2D1_COLOR_F c = ColorFromRgb(0x33DDFF, 0.79f);
    EXPECT_FLOAT_EQ(c.r, 0.2f);
    EXPECT_NEAR(c.g, 0.8667f, 1e-4);
    EXPECT_FLOAT_EQ(c.b, 1.0f);
    EXPECT_FLOAT_EQ(c.a, 0.79f);
    const D2D1_COLOR_F white = ColorFromRgb(0x1FFFFFF, 1.0f);  // bit 24 is ignored
    EXPECT_FLOAT_EQ(white.r, 1.0f);
    EXPECT_FLOAT_EQ(white.g, 1.0f);
    EXPECT_FLOAT_EQ(white.b, 1.0f);
}

TEST_F(WindowLayer, ButtonFollowsRealMouseMessagesAndClicksOnRelease) {
    TestWindow parent;
    ASSERT_NE(parent.CreatePopup(), nullptr);
    TestButton button;
    ASSERT_TRUE(button.LoadConfig(layout, "start"));
    EXPECT_EQ(button.X(), 390);
    EXPECT_EQ(button.Y(), 335);
    EXPECT_STREQ(button.ImageName(0), L"skin/btn_start.jpg");
    button.Create(parent.Handle());
    HWND b = button.Handle();
    ASSERT_NE(b, nullptr);
    RECT rc{};
    GetWindowRect(b, &rc);
    EXPECT_EQ(rc.right - rc.left, 70) << "the pictures size the button";
    EXPECT_EQ(rc.bottom - rc.top, 30);

    const WPARAM held = MK_LBUTTON;
    struct Step {
        UINT message;
        WPARAM wParam;
        int x, y;
        int state;
        int clicks;
    } steps[] = {
        {WM_MOUSEMOVE, 0, 5, 5, 1, 0},        // pointer on it: over
        {WM_LBUTTONDOWN, held, 5, 5, 2, 0},   // pressed: down
        {WM_LBUTTONUP, 0, 10, 10, 1, 1},      // released on it: a click, back to over
        {WM_LBUTTONDOWN, held, 5, 5, 2, 1},
        {WM_LBUTTONUP, 0, 70, 30, 1, 2},      // one pixel past the edges still clicks
        {WM_LBUTTONDOWN, held, 5, 5, 2, 2},
        {WM_LBUTTONUP, 0, -1, 5, 1, 2},       // left of it: no click
        {WM_LBUTTONDOWN, held, 5, 5, 2, 2},
        {WM_LBUTTONUP, 0, 71, 5, 1, 2},       // beyond the right edge: no click
        {WM_LBUTTONDOWN, held, 5, 5, 2, 2},
        {WM_MOUSELEAVE, 0, 0, 0, 0, 2},       // dragged off: normal
        {WM_LBUTTONUP, 0, 5, 5, 0, 2},        // the release finds no press
        {WM_MOUSEMOVE, held, 5, 5, 2, 2},     // moved on with the button held: down
        {WM_LBUTTONUP, 0, 5, 5, 1, 3},        // and that release clicks
        {WM_LBUTTONDOWN, held, 5, 5, 2, 3},
        {WM_MOUSEHOVER, 0, 5, 5, 1, 3},       // a hover while held ends the press
        {WM_LBUTTONUP, 0, 5, 5, 1, 3},
    };
    int i = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(i++);
        SendMessageA(b, s.message, s.wParam, Point(s.x, s.y));
        EXPECT_EQ(button.State(), s.state);
        EXPECT_EQ(button.clicks, s.clicks);
    }

    button.SetState(kButtonDisable);
    for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEHOVER, WM_MOUSELEAVE}) {
        SendMessageA(b, m, m == WM_LBUTTONDOWN ? held : 0, Point(5, 5));
        EXPECT_EQ(button.State(), kButtonDisable) << "a disabled button ignores the mouse";
    }
    EXPECT_EQ(button.clicks, 3);
    button.SetState(kButtonNormal);
    EXPECT_EQ(button.State(), kButtonNormal);
}

TEST_F(WindowLayer, ButtonConfigurationNeedsEveryPictureName) {
    cJson doc;
    ASSERT_TRUE(doc.Parse("{\"button\":{\"start\":{\"x\":1,\"y\":2,\"over\":\"a\",\"down\":\"b\",\"normal\":\"c\"}}}"));
    TestButton button;
    EXPECT_FALSE(button.LoadConfig(doc, "start")) << "no \"disable\"";
    EXPECT_EQ(button.X(), 1) << "what was read stays";
}

TEST_F(WindowLayer, ProgressBarTextsFillAndDrag) {
    TestWindow parent;
    ASSERT_NE(parent.CreatePopup(640, 380), nullptr);
    cProgressBar bar;
    ASSERT_TRUE(bar.LoadConfig(layout));
    bar.SetTextRects();
    auto expectRect = [](const D2D1_RECT_F& r, float l, float t, float rt, float b) {
        EXPECT_FLOAT_EQ(r.left, l);
        EXPECT_FLOAT_EQ(r.top, t);
        EXPECT_FLOAT_EQ(r.right, rt);
        EXPECT_FLOAT_EQ(r.bottom, b);
    };
    expectRect(bar.PercentRect(), 263, 3, 323, 13);
    expectRect(bar.RateRect(), 486, 3, 581, 13);
    bar.Create(parent.Handle());
    ASSERT_NE(bar.Handle(), nullptr);
    expectRect(bar.FillRect(), 1, 1, 1, 17);
    EXPECT_STREQ(bar.PercentText(), L"0.00%");
    EXPECT_STREQ(bar.RateText(), L"0.000 MiB/Sec");

    bar.SetPercent(5025);
    EXPECT_STREQ(bar.PercentText(), L"50.25%");
    EXPECT_FLOAT_EQ(bar.FillRect().right, 294);
    bar.SetPercent(10000);
    EXPECT_STREQ(bar.PercentText(), L"100.00%");
    EXPECT_FLOAT_EQ(bar.FillRect().right, 585);
    bar.SetRate(1.5f);
    EXPECT_STREQ(bar.RateText(), L"1.500 MiB/Sec");

    const LRESULT hit = SendMessageA(bar.Handle(), WM_NCHITTEST, 0, MAKELPARAM(400, 400));
    EXPECT_EQ(hit, HTCLIENT);
    EXPECT_EQ(parent.captionDrags, 1) << "dragging the bar drags the window";
}

TEST_F(WindowLayer, ProgressBarWithoutRateTextKeepsItsTexts) {
    cJson doc;
    std::string text;
    uint32_t announced = 0;
    ASSERT_TRUE(platform::ReadRcData(platform::kLayoutResource, &text, &announced));
    const size_t at = text.find("\"draw-rate-text\"");
    ASSERT_NE(at, std::string::npos);
    const size_t value = text.find("true", at);
    text.replace(value, 4, "TRUE");  // any other text than "true" is false
    ASSERT_TRUE(doc.Parse(text.c_str()));
    cProgressBar bar;
    ASSERT_TRUE(bar.LoadConfig(doc));
    EXPECT_FALSE(bar.DrawsRateText());
    bar.SetPercent(5025);
    bar.SetRate(2.0f);
    EXPECT_STREQ(bar.PercentText(), L"0.00%");
    EXPECT_STREQ(bar.RateText(), L"0.000 MiB/Sec");
    EXPECT_EQ(bar.Percent(), 5025) << "the fill still moves";
}

TEST_F(WindowLayer, MainWindowBuildsItsChildrenFromTheLayout) {
    cWinMain main(&layout);
    AppContext->mainWindow = &main;
    main.SetPlacement(10, 10, 100, 100);
    ASSERT_NE(main.CreateBound(WS_POPUP), nullptr);
    EXPECT_TRUE(host.messages.empty());

    // Sized to the background and placed a tenth of the margin below the middle.
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(main.Width(), 640);
    EXPECT_EQ(main.Height(), 380);
    EXPECT_EQ(main.X(), (sw - 640) / 2);
    EXPECT_EQ(main.Y(), (sh - 380) / 2 + (sh - 380) / 2 / 10);

    EXPECT_EQ(main.launch.State(), kButtonDisable);
    EXPECT_EQ(main.start.State(), kButtonNormal);
    EXPECT_EQ(main.pause.State(), kButtonDisable);
    EXPECT_EQ(main.cancel.State(), kButtonNormal);
    EXPECT_EQ(main.folder.State(), kButtonNormal);
    EXPECT_STREQ(AppContext->downloadFolder, "c:\\ZERU\\download\\MXBtolvin\\");
    EXPECT_FLOAT_EQ(main.folderTextRect.left, 128);
    EXPECT_FLOAT_EQ(main.folderTextRect.right, 301);
    EXPECT_FLOAT_EQ(main.folderTextRect.top, 343);
    EXPECT_FLOAT_EQ(main.folderTextRect.bottom, 362);

    const cWinDownloadInfo& panel = main.downloadInfo;
    ASSERT_NE(panel.Handle(), nullptr);
    EXPECT_TRUE(panel.TimerRunning());
    EXPECT_STREQ(panel.TagText(cWinDownloadInfo::kRemaining), L"Remained :");
    EXPECT_STREQ(panel.TagText(cWinDownloadInfo::kElapsed), L"Elapsed :");
    EXPECT_STREQ(panel.TagText(cWinDownloadInfo::kReceived), L"Transfered :");
    EXPECT_STREQ(panel.TagText(cWinDownloadInfo::kTotal), L"Total Size :");
    EXPECT_STREQ(panel.ValueTextOf(cWinDownloadInfo::kReceived), L"000.0 MBytes");
    EXPECT_FLOAT_EQ(panel.TagRect(cWinDownloadInfo::kElapsed).left, 120);
    EXPECT_FLOAT_EQ(panel.ValueRect(cWinDownloadInfo::kElapsed).left, 174);
    EXPECT_FLOAT_EQ(panel.ValueRect(cWinDownloadInfo::kElapsed).right, 285);
    EXPECT_FLOAT_EQ(panel.ValueRect(cWinDownloadInfo::kTotal).left, 508);

    // Every point of the background drags the window.
    EXPECT_EQ(SendMessageA(main.Handle(), WM_NCHITTEST, 0, MAKELPARAM(100, 100)), HTCAPTION);

    // Quitting asks first; Cancel leaves everything as it was.
    host.answer = IDCANCEL;
    SendMessageA(main.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Are you really going to quit?");
    EXPECT_TRUE(IsWindow(main.Handle()));
    SendMessageA(main.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_TRUE(IsWindow(main.Handle()));

    // OK destroys the window, which posts the quit code 1.
    host.answer = IDOK;
    HWND hwnd = main.Handle();
    main.cancel.OnExecute();
    EXPECT_FALSE(IsWindow(hwnd));
    MSG msg{};
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT) {
            quit = true;
            EXPECT_EQ(msg.wParam, 1u);
        }
    EXPECT_TRUE(quit);
    AppContext->mainWindow = nullptr;
}

TEST_F(WindowLayer, AnIncompleteLayoutFailsWithItsMessageAndQuitCode) {
    cJson doc;
    ASSERT_TRUE(doc.Parse("{\"version\":\"1\",\"button\":{\"launch\":{\"x\":1}}}"));
    cWinMain main(&doc);
    AppContext->mainWindow = &main;
    ASSERT_NE(main.CreateBound(WS_POPUP), nullptr);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "cWinMain::OnCreate :: ux-json error (-21)");
    EXPECT_EQ(main.start.Handle(), nullptr) << "no child window is created";
    MSG msg{};
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT) {
            quit = true;
            EXPECT_EQ(static_cast<int>(msg.wParam), -1);
        }
    EXPECT_TRUE(quit);
    AppContext->mainWindow = nullptr;
}

}  // namespace
