#include "platform/system/rect_fit.h"

#include <gtest/gtest.h>

namespace sp {
namespace {

TRect sizeOnly(int w, int h) {
    return {0, 0, w, h};
}

TEST(FitAspect, ImageSizesOfCommonFrames) {
    EXPECT_EQ(FitAspect(16, 9, sizeOnly(720, 576), true, 0), (TRect{0, 85, 720, 490}));
    EXPECT_EQ(FitAspect(4, 3, sizeOnly(720, 576), true, 0), (TRect{0, 18, 720, 558}));
    EXPECT_EQ(FitAspect(720, 576, sizeOnly(720, 576), true, 0), sizeOnly(720, 576));
    EXPECT_EQ(FitAspect(16, 9, sizeOnly(1920, 1080), true, 0), sizeOnly(1920, 1080));
    EXPECT_EQ(FitAspect(16, 9, sizeOnly(720, 576), true, 0).Height(), 405);
    EXPECT_EQ(FitAspect(4, 3, sizeOnly(720, 576), true, 0).Height(), 540);
}

TEST(FitAspect, MarginCentringAndRelativePlacement) {
    // A 4:3 picture in a wide panel at (100, 50) with a 12 pixel margin: the width is reduced
    // and the picture centred horizontally.
    const TRect panel{100, 50, 740, 410};
    EXPECT_EQ(FitAspect(4, 3, panel, false, 12), (TRect{196, 62, 644, 398}));
    EXPECT_EQ(FitAspect(4, 3, panel, true, 12), (TRect{96, 12, 544, 348}));
    // Full screen: absolute placement inside a 4 pixel border.
    EXPECT_EQ(FitAspect(16, 9, TRect{4, 4, 1276, 1020}, false, 0), (TRect{4, 154, 1276, 869}));
}

TEST(FitAspect, NegativeMarginGrowsAndBadShapesKeepTheRectangle) {
    EXPECT_EQ(FitAspect(0, 9, TRect{10, 10, 20, 20}, false, -5), (TRect{5, 5, 25, 25}));
    EXPECT_EQ(FitAspect(16, -1, TRect{10, 10, 20, 20}, true, 2), (TRect{2, 2, 8, 8}));
    // Products of large sizes do not overflow.
    const TRect huge{0, 0, 2000000000, 1000000000};
    EXPECT_EQ(FitAspect(1000000, 1000000, huge, true, 0),
              (TRect{500000000, 0, 1500000000, 1000000000}));
}

} // namespace
} // namespace sp
