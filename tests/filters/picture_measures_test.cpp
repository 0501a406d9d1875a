#include "filters/picture_measures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace sp {
namespace {

// A 32-bit grey picture drawn by `grey(x, y)`.
struct Picture {
    int width, height;
    std::vector<uint8_t> bits;
    template <class F>
    Picture(int w, int h, F grey) : width(w), height(h), bits(size_t(w) * h * 4) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t v = uint8_t(grey(x, y));
                std::memset(&bits[(size_t(y) * w + x) * 4], v, 3);
            }
    }
    ConstFrameView view() const { return {bits.data(), width, height, width * 4}; }
    LumaPlane luma() const { return LumaOf(view()); }
};

// Stripes 8 pixels wide, shifted by `offset` (a pan), averaged over `blur` positions (motion
// blur as a camera records it).
Picture Stripes(int offset, int blur = 1, int width = 64, int height = 36) {
    return Picture(width, height, [=](int x, int) {
        int sum = 0;
        for (int k = 0; k < blur; ++k)
            sum += ((x + offset + k) / 8) % 2 ? 220 : 30;
        return sum / blur;
    });
}

TEST(FocusMeasure, IsHigherForSharpPicturesThanForBlurredOnesOfTheSameScene) {
    const double sharp = FocusMeasure(Stripes(0).view());
    const double blurred = FocusMeasure(Stripes(0, 4).view());
    const double veryBlurred = FocusMeasure(Stripes(0, 8).view());
    EXPECT_GT(sharp, blurred);
    EXPECT_GT(blurred, veryBlurred);
    EXPECT_GT(veryBlurred, 0);
    // Grey keeps its value: the luma weights (256ths) add up to 256.
    const Picture flat(16, 16, [](int, int) { return 77; });
    EXPECT_EQ(flat.luma().values[0], 77);
    EXPECT_EQ(FocusMeasure(flat.view()), 0);
}

TEST(FocusMeasure, LumaCanTakeEveryOtherPixelOfEveryOtherRow) {
    const Picture ramp(5, 3, [](int x, int y) { return 10 * x + 100 * y; });
    const LumaPlane half = LumaOf(ramp.view(), 2);
    EXPECT_EQ(half.width, 3);
    EXPECT_EQ(half.height, 2);
    EXPECT_EQ(half.values, (std::vector<uint8_t>{0, 20, 40, 200, 220, 240}));
    EXPECT_TRUE(LumaOf(ramp.view(), 0).values.empty());
}

TEST(FocusMeasure, TinyEmptyOrNon32BitPicturesMeasureZero) {
    const Picture two(2, 2, [](int x, int) { return x * 255; });
    EXPECT_EQ(FocusMeasure(two.view()), 0);
    EXPECT_EQ(FocusMeasure(ConstFrameView{}), 0);
    const Picture some(8, 8, [](int x, int) { return x * 30; });
    EXPECT_EQ(FocusMeasure(ConstFrameView{some.bits.data(), 8, 8, 24, 24}), 0);
    EXPECT_TRUE(LumaOf(ConstFrameView{some.bits.data(), 8, 8, 24, 24}).values.empty());
}

TEST(MeanLumaDifference, IsAPercentageOfFullScaleAndNeedsEqualSizes) {
    const Picture black(8, 8, [](int, int) { return 0; });
    const Picture white(8, 8, [](int, int) { return 255; });
    EXPECT_DOUBLE_EQ(*MeanLumaDifference(black.luma(), white.luma()), 100.0);
    EXPECT_DOUBLE_EQ(*MeanLumaDifference(black.luma(), black.luma()), 0);
    EXPECT_FALSE(MeanLumaDifference(black.luma(), Stripes(0).luma()));
    EXPECT_FALSE(MeanLumaDifference(LumaPlane{}, LumaPlane{}));
}

// The pictures of a run that the detector finds to start new scenes.
template <class Make> std::vector<int> CutsIn(int count, Make make) {
    SceneCutDetector detector;
    std::vector<int> cuts;
    for (int n = 0; n < count; ++n)
        if (detector.Add(make(n).luma())) cuts.push_back(n - 1); // the answer for the one before
    if (detector.Finish()) cuts.push_back(count - 1);
    return cuts;
}

TEST(SceneCutDetector, FindsHardCutsButNotPansMotionBlurOrTheFirstPicture) {
    const Picture bars(64, 36, [](int x, int) { return x < 32 ? 240 : 10; });
    const Picture dark(64, 36, [](int, int y) { return 20 + y; });
    // Still shots.
    EXPECT_EQ(CutsIn(30, [&](int n) { return n < 10   ? bars
                                             : n < 20 ? dark
                                                      : bars; }),
              (std::vector<int>{10, 20}));
    // A steady pan of stripes, sharp or with motion blur, then a cut to the bars.
    EXPECT_EQ(CutsIn(24, [&](int n) { return n < 16 ? Stripes(n * 3) : bars; }),
              (std::vector<int>{16}));
    EXPECT_EQ(CutsIn(24, [&](int n) { return n < 16 ? Stripes(n * 3, 5) : bars; }),
              (std::vector<int>{16}));
    // One picture unlike both its neighbours is no cut (a flash).
    EXPECT_TRUE(CutsIn(20, [&](int n) { return n == 8 ? dark : bars; }).empty());
    // A cut at the last picture is told by Finish.
    EXPECT_EQ(CutsIn(12, [&](int n) { return n < 11 ? bars : dark; }), (std::vector<int>{11}));
    // A slow fade is no cut.
    EXPECT_TRUE(
        CutsIn(40, [](int n) { return Picture(64, 36, [n](int, int) { return n * 6; }); }).empty());
}

TEST(SceneCutDetector, StartsOverOnAPictureOfAnotherSize) {
    SceneCutDetector detector;
    EXPECT_FALSE(detector.Add(Stripes(0).luma()));
    EXPECT_FALSE(detector.Add(Stripes(0, 1, 32, 18).luma()));
    EXPECT_FALSE(detector.Add(Stripes(0, 1, 32, 18).luma()));
    EXPECT_FALSE(detector.Add(Picture(32, 18, [](int, int) { return 250; }).luma()));
    EXPECT_TRUE(detector.Finish());
    EXPECT_FALSE(detector.Finish());
}

} // namespace
} // namespace sp
