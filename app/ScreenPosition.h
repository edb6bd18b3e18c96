#pragma once
#include <cstdint>

struct WindowPlacement {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Where the main window goes: exactly as large as its background picture, centred across the
// screen and a tenth of the vertical margin below the middle. On a screen smaller than the
// picture the position is negative, with the same truncation toward zero.
class ScreenPosition {
public:
    ScreenPosition() = delete;
    static WindowPlacement ForBackground(int32_t screenWidth, int32_t screenHeight, int32_t pictureWidth,
                                         int32_t pictureHeight);
};
