// Stretching a frame over the output image: coverage, flat colours, smoothing and sharpness.

#include "platform/system/picture_stretch.h"

#include <gtest/gtest.h>

#include <vector>

namespace sp {
namespace {

struct Canvas {
    std::vector<uint8_t> pixels;
    int width, height;
    Canvas(int w, int h) : pixels(size_t(w) * size_t(h) * 4 + 16, 0), width(w), height(h) {}
    uint8_t* at(int x, int y) { return &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
    void set(int x, int y, uint8_t b, uint8_t g, uint8_t r) {
        at(x, y)[0] = b, at(x, y)[1] = g, at(x, y)[2] = r;
    }
    PictureView view() { return {pixels.data(), width, height, width * 4}; }
};

const uint8_t* pixel(const OwnedPicture& p, int x, int y) {
    return &p.pixels[(size_t(y) * size_t(p.width) + size_t(x)) * 4];
}

TEST(PictureStretch, FlatColourFillsEveryPixelOfAnyOutputSize) {
    Canvas c(720, 576);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            c.set(x, y, 10, 200, 90);
    // Shrinking to 16:9, growing, one pixel, and very thin targets.
    for (auto [w, h] : {std::pair{720, 405}, {1024, 768}, {1, 1}, {3, 577}, {1920, 2}}) {
        OwnedPicture out = StretchPicture(c.view(), w, h);
        ASSERT_EQ(out.width, w);
        ASSERT_EQ(out.height, h);
        ASSERT_EQ(out.pixels.size(), size_t(w) * size_t(h) * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = pixel(out, x, y);
                ASSERT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}),
                          (std::vector<int>{10, 200, 90, 255}))
                    << w << "x" << h << " at " << x << "," << y;
            }
    }
}

TEST(PictureStretch, SameSizeIsAnExactCopyHonouringTheStride) {
    Canvas c(5, 3);
    c.width = 4; // a canvas wider than the picture: the stride is 5 pixels
    PictureView v{c.pixels.data(), 4, 3, 5 * 4};
    for (int i = 0; i < 5 * 3 * 4; ++i)
        c.pixels[size_t(i)] = uint8_t(i * 7);
    OwnedPicture out = StretchPicture(v, 4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(pixel(out, x, y)[k],
                          c.pixels[size_t(y) * 20 + size_t(x) * 4 + size_t(k)]);
}

TEST(PictureStretch, ShrinkingAveragesFineDetailInsteadOfAliasing) {
    // One-pixel stripes halved: a point sampler would keep only black or only white.
    Canvas c(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint8_t v = (x % 2) ? 255 : 0;
            c.set(x, y, v, v, v);
        }
    OwnedPicture out = StretchPicture(c.view(), 32, 32);
    for (int x = 4; x < 28; ++x)
        EXPECT_NEAR(pixel(out, x, 16)[1], 128, 24) << x;
}

TEST(PictureStretch, GrowingKeepsEdgesSharpAndRampsInOrder) {
    // A ramp across: the output rises monotonically and keeps its end values.
    Canvas c(16, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            c.set(x, y, uint8_t(x * 17), 0, 0);
    OwnedPicture out = StretchPicture(c.view(), 64, 8);
    for (int x = 1; x < 64; ++x)
        EXPECT_GE(pixel(out, x, 3)[0], pixel(out, x - 1, 3)[0]) << x;
    EXPECT_LE(pixel(out, 0, 0)[0], 2);
    EXPECT_GE(pixel(out, 63, 0)[0], 253);
    // A hard edge doubled stays within about one output pixel of blur each side.
    Canvas e(8, 1);
    for (int x = 4; x < 8; ++x)
        e.set(x, 0, 0, 0, 255);
    OwnedPicture wide = StretchPicture(e.view(), 16, 1);
    EXPECT_LE(pixel(wide, 5, 0)[2], 10);
    EXPECT_GE(pixel(wide, 10, 0)[2], 245);
}

TEST(PictureStretch, InvalidInputGivesAnEmptyPicture) {
    Canvas c(4, 4);
    EXPECT_TRUE(StretchPicture({nullptr, 4, 4, 16}, 2, 2).empty());
    EXPECT_TRUE(StretchPicture({c.pixels.data(), 4, 4, 8}, 2, 2).empty()); // stride too short
    EXPECT_TRUE(StretchPicture(c.view(), 0, 2).empty());
    EXPECT_TRUE(StretchPicture(c.view(), 2, -1).empty());
    EXPECT_TRUE(StretchPicture(c.view(), 70000, 2).empty());
}

} // namespace
} // namespace sp
