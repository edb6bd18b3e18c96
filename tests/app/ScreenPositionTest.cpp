#include <gtest/gtest.h>

#include "app/ScreenPosition.h"

namespace {

TEST(ScreenPosition, CentredAndATenthBelowTheMiddle) {
    struct Case {
        int32_t screenWidth, screenHeight, pictureWidth, pictureHeight;
        int32_t x, y;
    } cases[] = {
        {1920, 1080, 640, 380, 640, 385},
        {1366, 768, 640, 380, 363, 213},
        {640, 380, 640, 380, 0, 0},
        {1921, 1081, 640, 380, 640, 385},  // odd margins truncate
        // Smaller than the picture: negative, truncated toward zero.
        {540, 279, 640, 380, -50, -55},
        {639, 379, 640, 380, 0, 0},
        {620, 361, 640, 380, -10, -9},
        // No pair of sizes can overflow.
        {-2147483647 - 1, 2147483647, 2147483647, -2147483647 - 1, -2147483647, 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screenWidth << "x" << c.screenHeight);
        const WindowPlacement p =
            ScreenPosition::ForBackground(c.screenWidth, c.screenHeight, c.pictureWidth, c.pictureHeight);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
        EXPECT_EQ(p.width, c.pictureWidth);
        EXPECT_EQ(p.height, c.pictureHeight);
    }
}

}  // namespace
