#include "ui/win/Drawing.h"

#include <objidl.h>
#include <shlwapi.h>
#include <wincodec.h>

#include "app/AppContext.h"
#include "ui/win/ComRelease.h"
#include "ui/win/cWindow.h"
#include "app/win/cWinMain.h"

namespace {

// Made before WinMain runs and released after it has returned; COM plays no part in it.
struct WriteFactoryHolder {
    IDWriteFactory* factory = nullptr;
    WriteFactoryHolder() {
        DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                            reinterpret_cast<IUnknown**>(&factory));
    }
    ~WriteFactoryHolder() { ReleaseCom(factory); }
};

WriteFactoryHolder g_writeFactory;

}  // namespace

IDWriteFactory* SharedWriteFactory() { return g_writeFactory.factory; }

IDWriteTextFormat* MakeTextFormat(const wchar_t* family, float size) {
    IDWriteFactory* factory = SharedWriteFactory();
    if (!factory || !family) return nullptr;
    IDWriteTextFormat* format = nullptr;
    if (FAILED(factory->CreateTextFormat(family, nullptr, DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL,
                                         DWRITE_FONT_STRETCH_NORMAL, size, L"ko-kr", &format)))
        return nullptr;
    return format;
}

D2D1_COLOR_F ColorFromRgb(unsigned rgb, float alpha) {
    return D2D1::ColorF(static_cast<float>((rgb >> 16) & 0xFF) / 255.0f, static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
                        static_cast<float>(rgb & 0xFF) / 255.0f, alpha);
}

ID2D1Bitmap* LoadImageFromResource(cWindow& window, int id) {
    IWICImagingFactory* wic = cWindow::ImagingFactory();
    if (!wic) return nullptr;
    HMODULE module = AppContext && AppContext->instance ? static_cast<HMODULE>(AppContext->instance)
                                                        : GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(static_cast<WORD>(id)), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!info) return nullptr;
    HGLOBAL loaded = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return nullptr;

    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), size);
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    ID2D1Bitmap* bitmap = nullptr;
    ID2D1RenderTarget* target = nullptr;
    if (stream && SUCCEEDED(wic->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnLoad, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(wic->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeMedianCut)) &&
        (target = window.GetRenderTarget()) != nullptr) {
        if (FAILED(target->CreateBitmapFromWicBitmap(converter, nullptr, &bitmap))) bitmap = nullptr;
    }
    ReleaseCom(stream);
    ReleaseCom(frame);
    ReleaseCom(converter);
    ReleaseCom(decoder);
    return bitmap;
}

void ReportDrawError() {
    HWND owner = (AppContext && AppContext->mainWindow) ? AppContext->mainWindow->Handle() : nullptr;
    MessageBoxA(owner, "error", AppContext ? AppContext->caption : "tolvin-downloader...", MB_ICONWARNING);
}
