#pragma once
#include <windows.h>
#include <d2d1.h>
#include <dwrite.h>

class cWindow;

// The one DirectWrite factory of the process, made during static initialisation.
IDWriteFactory* SharedWriteFactory();

// A normal-weight text format of the system fonts; nullptr if it cannot be made.
IDWriteTextFormat* MakeTextFormat(const wchar_t* family, float size);

// 0xRRGGBB to a drawing colour; bits above 23 are ignored.
D2D1_COLOR_F ColorFromRgb(unsigned rgb, float alpha);

// Decodes JPEG resource id (RT_RCDATA) for drawing on window's render target.
// nullptr, with everything made on the way released, if any step fails.
ID2D1Bitmap* LoadImageFromResource(cWindow& window, int id);

// The "error" box of a failed EndDraw.
void ReportDrawError();
