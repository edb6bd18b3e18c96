#pragma once
#include <windows.h>
#include <d2d1.h>
#include <wincodec.h>

// Base of every window object: binds one object to one window of the one class
// "base-window-class", owns that window's render target and routes its messages.
// The first object constructed brings up COM, the Direct2D and imaging factories and the
// class; the last one destroyed takes them down again.
class cWindow {
public:
    cWindow();
    // Virtual (the windows are owned through their own types, but a base pointer must never
    // leave a subclass half destroyed).
    virtual ~cWindow();

    cWindow(const cWindow&) = delete;
    cWindow& operator=(const cWindow&) = delete;

    // The object's own handler. 0 lets the shared procedure and DefWindowProcA go on.
    virtual LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // A request to close: WM_CLOSE and Escape. Closing never destroys a window by itself.
    virtual void OnClose() {}

    // The window's render target, made on first use. A window render target on Windows;
    // under Wine, whose window render targets of child windows never reach the screen,
    // a DC render target that the paint cycle binds to the paint DC (same drawing calls).
    ID2D1RenderTarget* GetRenderTarget();
    void Invalidate();

    // One WM_PAINT: BeginPaint, the render target ready for BeginDraw, EndPaint.
    class PaintCycle {
    public:
        explicit PaintCycle(cWindow& window);
        ~PaintCycle();
        PaintCycle(const PaintCycle&) = delete;
        PaintCycle& operator=(const PaintCycle&) = delete;
        ID2D1RenderTarget* Target() const { return target_; }

    private:
        cWindow& window_;
        PAINTSTRUCT ps_{};
        ID2D1RenderTarget* target_ = nullptr;
    };

    // Whether this process draws through DC render targets (Wine, or TOLVIN_D2D_DC_TARGET=1).
    static bool UsesDcRenderTargets();

    // CreateWindowExA of the one class with this object's fields and the object as the
    // creation parameter.
    HWND CreateBound(DWORD style, const char* windowName = "no-name");

    HWND Handle() const { return handle_; }
    HWND ParentHandle() const { return parent_; }
    void SetParentHandle(HWND parent) { parent_ = parent; }
    void SetPlacement(int x, int y, int width, int height) {
        x_ = x;
        y_ = y;
        width_ = width;
        height_ = height;
    }
    int X() const { return x_; }
    int Y() const { return y_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetPosition(int x, int y) {
        x_ = x;
        y_ = y;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    static int WindowCount() { return windowCount_; }
    static ID2D1Factory* D2DFactory() { return d2dFactory_ ? *d2dFactory_ : nullptr; }
    static IWICImagingFactory* ImagingFactory() { return wicFactory_ ? *wicFactory_ : nullptr; }
    static const char* ClassName() { return "base-window-class"; }

protected:
    HWND handle_ = nullptr;
    HWND parent_ = nullptr;
    int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    ID2D1RenderTarget* renderTarget_ = nullptr;  // owned; one of the two below
    ID2D1HwndRenderTarget* hwndTarget_ = nullptr;  // borrowed view of renderTarget_
    ID2D1DCRenderTarget* dcTarget_ = nullptr;      // borrowed view of renderTarget_

private:
    static void FirstWindowStep();
    static void LastWindowStep();

    static int windowCount_;
    static ID2D1Factory** d2dFactory_;
    static IWICImagingFactory** wicFactory_;
};
