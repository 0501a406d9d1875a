// Stretching a frame over the output image: coverage, flat colours, smoothing and sharpness.

#include "platform/system/picture_stretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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

// Pseudo-random bytes, every channel different.
void fillNoise(Canvas& c, uint32_t seed) {
    for (auto& byte : c.pixels)
        byte = uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
}

TEST(PictureStretch, OneAxisIsFilteredAloneAndTheOtherKeptExactly) {
    // Widths 1..9 cover the vector loop and its tail. Columns constant down the picture stay
    // exactly what they were when only the height changes (the weights sum to one), and rows
    // constant across stay exactly when only the width changes.
    for (int side = 1; side <= 9; ++side) {
        Canvas columns(side, 48), rows(48, side);
        fillNoise(columns, uint32_t(side));
        fillNoise(rows, uint32_t(side) + 100);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < side; ++x) {
                std::memcpy(columns.at(x, y), columns.at(x, 0), 4);
                std::memcpy(rows.at(y, x), rows.at(0, x), 4);
            }
        const OwnedPicture down = StretchPicture(columns.view(), side, 45);
        const OwnedPicture across = StretchPicture(rows.view(), 45, side);
        ASSERT_FALSE(down.empty());
        ASSERT_FALSE(across.empty());
        for (int i = 0; i < 45; ++i)
            for (int j = 0; j < side; ++j)
                for (int k = 0; k < 4; ++k) {
                    ASSERT_EQ(pixel(down, j, i)[k], k == 3 ? 255 : columns.at(j, 0)[k])
                        << side << ": " << j << "," << i << "/" << k;
                    ASSERT_EQ(pixel(across, i, j)[k], k == 3 ? 255 : rows.at(0, j)[k])
                        << side << ": " << i << "," << j << "/" << k;
                }
    }
}

TEST(PictureStretch, StretchedDownEachColumnIsWhatItGetsAlone) {
    // Each column of a picture stretched down, whatever part of the row it falls in (the wide
    // vector loop, the narrower one, the tail), equals that column stretched on its own (one
    // pixel wide: the plain sums only).
    for (const int width : {37, 200}) {
        Canvas source(width, 64);
        fillNoise(source, uint32_t(width));
        for (const int height : {21, 60, 97}) {
            const OwnedPicture whole = StretchPicture(source.view(), width, height);
            ASSERT_FALSE(whole.empty());
            for (int x = 0; x < width; ++x) {
                const PictureView column{source.at(x, 0), 1, 64, width * 4};
                const OwnedPicture alone = StretchPicture(column, 1, height);
                for (int y = 0; y < height; ++y)
                    ASSERT_EQ(0, std::memcmp(pixel(whole, x, y), pixel(alone, 0, y), 4))
                        << width << " to " << height << " at " << x << "," << y;
            }
        }
    }
}

// The filter worked out in floating point, one output row from a source column: Catmull-Rom
// widened by the shrink factor, samples beyond an edge taken from the border, clamped.
double referenceDown(const Canvas& c, int x, int channel, int y, int height) {
    auto cubic = [](double t) {
        t = std::fabs(t);
        if (t < 1) return (1.5 * t - 2.5) * t * t + 1;
        if (t < 2) return ((-0.5 * t + 2.5) * t - 4) * t + 2;
        return 0.0;
    };
    const double scale = double(c.height) / height, widen = std::max(1.0, scale);
    const double centre = (y + 0.5) * scale - 0.5;
    double sum = 0, weights = 0;
    for (int j = int(std::floor(centre - 2 * widen)); j <= int(std::ceil(centre + 2 * widen));
         ++j) {
        const double w = cubic((j - centre) / widen);
        const int at = std::clamp(j, 0, c.height - 1);
        sum += w * c.pixels[(size_t(at) * size_t(c.width) + size_t(x)) * 4 + size_t(channel)];
        weights += w;
    }
    return std::clamp(sum / weights, 0.0, 255.0);
}

TEST(PictureStretch, StretchedDownEveryValueIsTheFilterWithinOneLevel) {
    // Few taps (576 to 540, 576 to 405: the grabs' shapes) and many (576 to 100); noise of
    // only black and white in each channel drives the sums to both ends of their range.
    Canvas c(70, 576);
    uint32_t seed = 9;
    for (auto& byte : c.pixels)
        byte = ((seed = seed * 1664525u + 1013904223u) >> 31) ? 255 : 0;
    for (const int height : {540, 405, 100}) {
        const OwnedPicture out = StretchPicture(c.view(), 70, height);
        ASSERT_FALSE(out.empty());
        int off = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 70; ++x)
                for (int k = 0; k < 3; ++k) {
                    const double want = referenceDown(c, x, k, y, height);
                    const int got = pixel(out, x, y)[k];
                    ASSERT_LE(std::fabs(got - want), 1.0)
                        << height << ": " << x << "," << y << "/" << k << " " << want;
                    off += std::fabs(got - want) > 0.5;
                }
        EXPECT_LT(off, 70 * 3 * height / 50) << height; // rounded as the filter, nearly always
    }
}

TEST(PictureStretch, AReusedStretcherMatchesAFreshOneAtEverySizeAndStride) {
    // A source inside a wider canvas (its rows 8 pixels apart) against the same picture packed;
    // one stretcher through several sizes, each against a stretcher that never saw another.
    Canvas packed(37, 29), padded(45, 29);
    fillNoise(packed, 5);
    for (int y = 0; y < 29; ++y)
        std::memcpy(padded.at(0, y), packed.at(0, y), 37 * 4);
    const PictureView inside{padded.pixels.data(), 37, 29, 45 * 4};
    PictureStretcher reused;
    for (auto [w, h] : {std::pair{37, 21}, {37, 40}, {20, 29}, {61, 29}, {37, 21}, {18, 50}}) {
        std::vector<uint8_t> out(size_t(w + 3) * size_t(h) * 4, 7);
        ASSERT_TRUE(reused.Stretch(inside, out.data(), w, h, (w + 3) * 4));
        const OwnedPicture fresh = StretchPicture(packed.view(), w, h);
        for (int y = 0; y < h; ++y) {
            ASSERT_EQ(0, std::memcmp(&out[size_t(y) * size_t(w + 3) * 4], pixel(fresh, 0, y),
                                     size_t(w) * 4))
                << w << "x" << h << " row " << y;
            EXPECT_EQ(out[(size_t(y) * size_t(w + 3) + size_t(w)) * 4], 7); // past the row: kept
        }
    }
    EXPECT_FALSE(reused.Stretch(inside, nullptr, 4, 4, 16));
    std::vector<uint8_t> small(16);
    EXPECT_FALSE(reused.Stretch(inside, small.data(), 4, 1, 12)); // target stride too short
}

// A picture stretched band by band (as the JPEG encoder takes it) is the whole stretch, on
// each path: rows only, across only, both axes, and the same size; bands that do not lie
// inside the output are refused and leave the target as it was.
TEST(PictureStretch, BandsPutTogetherAreTheWholeStretch) {
    Canvas source(53, 47);
    for (size_t i = 0; i < source.pixels.size(); ++i)
        source.pixels[i] = uint8_t(i * 2654435761u >> 24);
    PictureStretcher bands;
    for (auto [w, h] : {std::pair{53, 35}, {40, 47}, {70, 33}, {53, 47}, {53, 90}}) {
        const OwnedPicture whole = StretchPicture(source.view(), w, h);
        ASSERT_FALSE(whole.empty());
        for (const int band : {16, 5, 1}) {
            std::vector<uint8_t> rows(size_t(w) * size_t(band) * 4);
            for (int first = 0; first < h; first += band) {
                const int count = std::min(band, h - first);
                ASSERT_TRUE(
                    bands.StretchRows(source.view(), w, h, first, count, rows.data(), w * 4));
                ASSERT_EQ(0, std::memcmp(rows.data(), pixel(whole, 0, first),
                                         size_t(w) * size_t(count) * 4))
                    << w << "x" << h << " band " << band << " from row " << first;
            }
        }
    }
    std::vector<uint8_t> rows(53 * 4 * 4, 7);
    EXPECT_FALSE(bands.StretchRows(source.view(), 53, 35, 33, 3, rows.data(), 53 * 4));
    EXPECT_FALSE(bands.StretchRows(source.view(), 53, 35, -1, 2, rows.data(), 53 * 4));
    EXPECT_FALSE(bands.StretchRows(source.view(), 53, 35, 0, 0, rows.data(), 53 * 4));
    EXPECT_EQ(rows, std::vector<uint8_t>(53 * 4 * 4, 7));
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
