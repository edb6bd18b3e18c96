#include "ui/win/cWindow.h"

#include "app/AppContext.h"
#include "ui/win/ComRelease.h"

int cWindow::windowCount_ = 0;
ID2D1Factory** cWindow::d2dFactory_ = nullptr;
IWICImagingFactory** cWindow::wicFactory_ = nullptr;

namespace {
HINSTANCE Instance() {
    return AppContext && AppContext->instance ? static_cast<HINSTANCE>(AppContext->instance)
                                              : GetModuleHandleA(nullptr);
}
}  // namespace

cWindow::cWindow() {
    if (windowCount_ == 0) FirstWindowStep();
    ++windowCount_;
}

cWindow::~cWindow() {
    // A window that outlives its object (the run ends after a layout failure with the main
    // window still up) must never reach the object again: unbind it, then let it go.
    if (handle_) {
        HWND window = handle_;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        handle_ = nullptr;
        DestroyWindow(window);
    }
    // No render target outlives its window object.
    hwndTarget_ = nullptr;
    dcTarget_ = nullptr;
    ReleaseCom(renderTarget_);
    if (--windowCount_ == 0) LastWindowStep();
}

void cWindow::FirstWindowStep() {
    // Results are not examined: without factories or class, drawing simply does nothing.
    CoInitialize(nullptr);
    d2dFactory_ = new ID2D1Factory*(nullptr);
    D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, __uuidof(ID2D1Factory), nullptr,
                      reinterpret_cast<void**>(d2dFactory_));
    wicFactory_ = new IWICImagingFactory*(nullptr);
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(wicFactory_));

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &cWindow::WindowProc;
    wc.hInstance = Instance();
    wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(101));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = ClassName();
    RegisterClassExA(&wc);
}

void cWindow::LastWindowStep() {
    UnregisterClassA(ClassName(), Instance());
    if (d2dFactory_) {
        ReleaseCom(*d2dFactory_);
        delete d2dFactory_;
        d2dFactory_ = nullptr;
    }
    if (wicFactory_) {
        ReleaseCom(*wicFactory_);
        delete wicFactory_;
        wicFactory_ = nullptr;
    }
    CoUninitialize();
}

HWND cWindow::CreateBound(DWORD style, const char* windowName) {
    return CreateWindowExA(0, ClassName(), windowName, style, x_, y_, width_, height_, parent_, nullptr,
                           Instance(), this);
}

bool cWindow::UsesDcRenderTargets() {
    static const bool dc = [] {
        char flag[8] = {};
        if (GetEnvironmentVariableA("TOLVIN_D2D_DC_TARGET", flag, sizeof flag) && flag[0] == '1') return true;
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return dc;
}

ID2D1RenderTarget* cWindow::GetRenderTarget() {
    if (renderTarget_) return renderTarget_;
    ID2D1Factory* factory = D2DFactory();
    if (!factory || !handle_) return nullptr;
    RECT rc{};
    GetClientRect(handle_, &rc);
    if (UsesDcRenderTargets()) {
        // A DC target needs a known pixel format; it is bound to the paint DC each paint.
        const D2D1_RENDER_TARGET_PROPERTIES props = D2D1::RenderTargetProperties(
            D2D1_RENDER_TARGET_TYPE_DEFAULT, D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE));
        if (SUCCEEDED(factory->CreateDCRenderTarget(&props, &dcTarget_))) renderTarget_ = dcTarget_;
        else dcTarget_ = nullptr;
        return renderTarget_;
    }
    const D2D1_RENDER_TARGET_PROPERTIES props = D2D1::RenderTargetProperties();
    const D2D1_HWND_RENDER_TARGET_PROPERTIES hwndProps = D2D1::HwndRenderTargetProperties(
        handle_, D2D1::SizeU(static_cast<UINT32>(rc.right), static_cast<UINT32>(rc.bottom)),
        D2D1_PRESENT_OPTIONS_NONE);
    if (SUCCEEDED(factory->CreateHwndRenderTarget(props, hwndProps, &hwndTarget_))) renderTarget_ = hwndTarget_;
    else hwndTarget_ = nullptr;
    return renderTarget_;
}

cWindow::PaintCycle::PaintCycle(cWindow& window) : window_(window) {
    BeginPaint(window_.handle_, &ps_);
    target_ = window_.GetRenderTarget();
    if (target_ && window_.dcTarget_) {
        RECT rc{};
        GetClientRect(window_.handle_, &rc);
        if (FAILED(window_.dcTarget_->BindDC(ps_.hdc, &rc))) target_ = nullptr;
    }
}

cWindow::PaintCycle::~PaintCycle() { EndPaint(window_.handle_, &ps_); }

void cWindow::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, FALSE);
}

LRESULT CALLBACK cWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* bound = static_cast<cWindow*>(cs->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bound));
        if (bound) bound->handle_ = window;
    }
    auto* self = reinterpret_cast<cWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (const LRESULT handled = self->OnMessage(window, message, wParam, lParam)) return handled;

    switch (message) {
    case WM_SIZE: {
        RECT rc{};
        GetClientRect(window, &rc);
        self->GetRenderTarget();
        if (self->hwndTarget_)
            self->hwndTarget_->Resize(D2D1::SizeU(static_cast<UINT32>(rc.right), static_cast<UINT32>(rc.bottom)));
        break;
    }
    case WM_CLOSE:
        self->OnClose();
        return 0;
    case WM_ERASEBKGND:
        return 0;  // every window paints its whole area itself
    case WM_NCDESTROY:
        self->handle_ = nullptr;
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) self->OnClose();
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
