#include "app/ScreenPosition.h"

#include <limits>

namespace {
// In 64 bits, so that no pair of sizes can overflow; every real screen gives a result that
// fits 32 bits, absurd ones are held at its ends.
int32_t Clamp32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}
}  // namespace

WindowPlacement ScreenPosition::ForBackground(int32_t screenWidth, int32_t screenHeight, int32_t pictureWidth,
                                              int32_t pictureHeight) {
    WindowPlacement p;
    p.width = pictureWidth;
    p.height = pictureHeight;
    p.x = Clamp32((static_cast<int64_t>(screenWidth) - pictureWidth) / 2);
    const int64_t half = (static_cast<int64_t>(screenHeight) - pictureHeight) / 2;
    p.y = Clamp32(half + half / 10);
    return p;
}
