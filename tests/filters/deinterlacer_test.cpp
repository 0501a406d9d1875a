#include "filters/deinterlacer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace sp {
namespace {

// A 32-bit picture with padded rows, so that stride handling is exercised too.
struct Picture {
    int width;
    int height;
    std::ptrdiff_t stride;
    std::vector<std::uint8_t> bytes;

    Picture(int w, int h, std::uint32_t fill = 0)
        : width(w), height(h), stride(std::ptrdiff_t(w) * 4 + 8),
          bytes(std::size_t(stride) * std::size_t(h), 0xEE) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                set(x, y, fill);
    }
    std::uint32_t at(int x, int y) const {
        std::uint32_t v;
        std::memcpy(&v, bytes.data() + y * stride + x * 4, 4);
        return v;
    }
    void set(int x, int y, std::uint32_t v) {
        std::memcpy(bytes.data() + y * stride + x * 4, &v, 4);
    }
    void fillRow(int y, std::uint32_t v) {
        for (int x = 0; x < width; ++x)
            set(x, y, v);
    }
    FrameView view() { return {bytes.data(), width, height, stride, 32}; }
};

constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kBlack = 0x00000000;

// Odd rows white, even rows black.
Picture fullComb(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        p.fillRow(y, (y % 2) ? kWhite : kBlack);
    return p;
}

// Repairing the upside-down picture gives the upside-down repair, for even and odd heights.
TEST(Deinterlacer, AnUpsideDownPictureIsRepairedInTheSameField) {
    std::mt19937 random(7);
    for (const int height : {8, 9}) {
        Picture src(13, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 13; ++x)
                src.set(x, y, (y % 2 ? kWhite : kBlack) ^ (random() & 0x3F3F3Fu));
        Picture upsideDown(13, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 13; ++x)
                upsideDown.set(x, height - 1 - y, src.at(x, y));
        Deinterlacer d;
        Picture out(13, height), outUpsideDown(13, height);
        ASSERT_TRUE(d.Deinterlace(src.view(), out.view()));
        ASSERT_TRUE(d.Deinterlace(upsideDown.view(), outUpsideDown.view(), false, true));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(outUpsideDown.at(x, height - 1 - y), out.at(x, y))
                    << "height " << height << " at " << x << "," << y;
    }
}

TEST(Deinterlacer, FullCombRepairsEveryOddRowButTheLast) {
    Deinterlacer d;
    Picture src = fullComb(7, 6);
    const Picture original = src;
    Picture out(7, 6, 0x12345678);
    ASSERT_TRUE(d.Deinterlace(src.view(), out.view()));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) {
            const std::uint32_t expected = (y % 2 && y < 5) ? kBlack : original.at(x, y);
            EXPECT_EQ(out.at(x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(src.bytes, original.bytes) << "source must stay unchanged";
}

TEST(Deinterlacer, RepairAveragesNeighboursAndKeepsFourthByte) {
    Deinterlacer d;
    Picture src(4, 3);
    src.fillRow(0, 0x00102030);
    src.fillRow(1, 0xAAFFFFFF);
    src.fillRow(2, 0x00113355);
    Picture out(4, 3);
    ASSERT_TRUE(d.Deinterlace(src.view(), out.view()));
    // (0x10+0x11)/2, (0x20+0x33)/2, (0x30+0x55)/2 truncated; reserved byte from the pixel.
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(out.at(x, 1), 0xAA102942u);
}

TEST(Deinterlacer, UniformPictureAndIsolatedPixelStayUnchanged) {
    Deinterlacer d;
    Picture uniform(9, 9, 0x00808080);
    Picture out(9, 9);
    ASSERT_TRUE(d.Deinterlace(uniform.view(), out.view()));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(out.at(x, y), 0x00808080u);

    Picture isolated(9, 9, kBlack);
    isolated.set(4, 3, kWhite);
    ASSERT_TRUE(d.Deinterlace(isolated.view(), out.view()));
    EXPECT_EQ(out.at(4, 3), kWhite);

    // Two neighbours together are repaired, including at the row's edges.
    Picture pair(9, 9, kBlack);
    pair.set(0, 3, kWhite);
    pair.set(1, 3, kWhite);
    pair.set(8, 5, kWhite);
    pair.set(7, 5, kWhite);
    ASSERT_TRUE(d.Deinterlace(pair.view(), out.view()));
    EXPECT_EQ(out.at(0, 3), kBlack);
    EXPECT_EQ(out.at(1, 3), kBlack);
    EXPECT_EQ(out.at(7, 5), kBlack);
    EXPECT_EQ(out.at(8, 5), kBlack);
}

// Only blue differs, so the score is (above - pixel) * (below - pixel): 40 * 50 = 2000.
TEST(Deinterlacer, ScoreOfExactly2000IsNotADetection) {
    Deinterlacer d;
    auto run = [&](int aboveBlue, int belowBlue) {
        Picture src(3, 3, 0);
        src.fillRow(0, std::uint32_t(aboveBlue));
        src.fillRow(1, 0);
        src.fillRow(2, std::uint32_t(belowBlue));
        Picture out(3, 3);
        EXPECT_TRUE(d.Deinterlace(src.view(), out.view()));
        return out.at(1, 1);
    };
    EXPECT_EQ(run(40, 50), 0u) << "score 2000 must leave the pixel";
    EXPECT_EQ(run(41, 50), std::uint32_t((41 + 50) / 2)) << "score 2050 must repair";
}

TEST(Deinterlacer, TinyAndOtherDepthPicturesAreExactCopies) {
    Deinterlacer d;
    for (int h : {1, 2}) {
        Picture src = fullComb(4, h);
        Picture out(4, h, 0x55555555);
        ASSERT_TRUE(d.Deinterlace(src.view(), out.view()));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(out.at(x, y), src.at(x, y));
    }
    // A 24-bit comb is copied byte for byte, not repaired.
    std::vector<std::uint8_t> src24(4 * 3 * 3);
    for (int y = 0; y < 4; ++y)
        std::memset(src24.data() + y * 9, (y % 2) ? 0xFF : 0x00, 9);
    std::vector<std::uint8_t> out24(src24.size(), 0x77);
    ASSERT_TRUE(d.Deinterlace(ConstFrameView(src24.data(), 3, 4, 9, 24),
                              FrameView{out24.data(), 3, 4, 9, 24}));
    EXPECT_EQ(out24, src24);
    // One-pixel-wide pictures have no horizontal neighbour, so nothing is repaired.
    Picture narrow = fullComb(1, 5);
    Picture out(1, 5);
    ASSERT_TRUE(d.Deinterlace(narrow.view(), out.view()));
    EXPECT_EQ(out.at(0, 1), kWhite);
}

TEST(Deinterlacer, InPlaceAndReuseAcrossSizes) {
    Deinterlacer d;
    Picture big = fullComb(16, 8);
    ASSERT_TRUE(d.Deinterlace(big.view(), big.view()));
    EXPECT_EQ(big.at(3, 1), kBlack);
    EXPECT_EQ(big.at(3, 7), kWhite);
    // A smaller picture after a larger one: stale mask content must not leak in.
    Picture small(4, 3, kBlack);
    small.set(1, 1, kWhite);
    Picture out(4, 3);
    ASSERT_TRUE(d.Deinterlace(small.view(), out.view()));
    EXPECT_EQ(out.at(1, 1), kWhite);
}

// The rules written out plainly, pass after pass, to check the optimised routine against.
Picture referenceDeinterlace(const Picture& s) {
    Picture d = s;
    const int w = s.width, h = s.height;
    std::vector<int> m(std::size_t(w * h)), m2(std::size_t(w * h));
    auto ch = [&](int x, int y, int c) { return int((s.at(x, y) >> (8 * c)) & 0xFF); };
    for (int r = 1; r < h - 1; r += 2)
        for (int i = 0; i < w; ++i) {
            int score = 0;
            const int weight[3] = {1, 6, 3}; // B, G, R
            for (int c = 0; c < 3; ++c)
                score +=
                    weight[c] * (ch(i, r - 1, c) - ch(i, r, c)) * (ch(i, r + 1, c) - ch(i, r, c));
            m[std::size_t(r * w + i)] = score > 2000;
        }
    for (int r = 1; r < h - 1; r += 2)
        for (int i = 0; i < w; ++i)
            m2[std::size_t(r * w + i)] =
                m[std::size_t(r * w + i)] && ((i > 0 && m[std::size_t(r * w + i - 1)]) ||
                                              (i < w - 1 && m[std::size_t(r * w + i + 1)]));
    for (int r = 1; r < h - 1; r += 2)
        for (int i = 0; i < w; ++i)
            if (m2[std::size_t(r * w + i)]) {
                std::uint32_t v = s.at(i, r) & 0xFF000000u;
                for (int c = 0; c < 3; ++c)
                    v |= std::uint32_t((ch(i, r - 1, c) + ch(i, r + 1, c)) >> 1) << (8 * c);
                d.set(i, r, v);
            }
    return d;
}

TEST(Deinterlacer, MatchesThePlainRulesOnRandomPictures) {
    std::mt19937 random(1234);
    Deinterlacer d;
    // The last two are full-range noise: the largest differences and products (the vector
    // path must not overflow where the plain sums do not); widths 1..3 past a multiple of 4
    // leave a tail after the vector loop.
    for (auto [w, h] : {std::pair{37, 23}, std::pair{64, 48}, std::pair{5, 4}, std::pair{130, 9},
                        std::pair{19, 11}, std::pair{722, 6}}) {
        Picture src(w, h);
        // Few levels per channel so that combs and ties are frequent.
        const std::uint32_t levels = w == 19 || w == 722 ? 0xFFFFFFFFu : 0xC0E0F0F0u;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                src.set(x, y, std::uint32_t(random()) & levels);
        Picture out(w, h);
        ASSERT_TRUE(d.Deinterlace(src.view(), out.view()));
        const Picture expected = referenceDeinterlace(src);
        EXPECT_NE(expected.bytes, src.bytes) << "the picture must have combs to repair";
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(out.at(x, y), expected.at(x, y))
                    << w << "x" << h << " at " << x << "," << y;
    }
}

// The 16-bit twin of a picture (each sample v as v * 257, R, G, B, x) repaired like the last
// repair is that repair widened: the same pixels changed, to the same averages. Another size is
// refused.
TEST(Deinterlacer, ASixteenBitTwinIsRepairedAtTheSamePixels) {
    std::mt19937 random(99);
    Deinterlacer d;
    const int w = 41, h = 17;
    Picture src(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            src.set(x, y, std::uint32_t(random()) & 0xC0E0F0F0u);
    Picture out(w, h);
    ASSERT_TRUE(d.Deinterlace(src.view(), out.view(), false, true));
    ASSERT_NE(out.bytes, src.bytes);
    const std::ptrdiff_t stride = std::ptrdiff_t(w) * 8 + 8; // padded rows
    std::vector<std::uint16_t> deep(std::size_t(stride / 2) * h);
    auto sample = [&](int x, int y, int c) -> std::uint16_t& {
        return deep[std::size_t(y) * std::size_t(stride / 2) + std::size_t(x) * 4 + std::size_t(c)];
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) // R, G, B from the B, G, R bytes
                sample(x, y, c) = std::uint16_t(((src.at(x, y) >> (8 * (2 - c))) & 0xFF) * 257);
    FrameView view{reinterpret_cast<std::uint8_t*>(deep.data()), w, h, stride, 64};
    ASSERT_TRUE(d.RepairLikeLast(view));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(sample(x, y, c) / 257, (out.at(x, y) >> (8 * (2 - c))) & 0xFF)
                    << x << "," << y << " channel " << c;
    view.height = h - 1;
    EXPECT_FALSE(d.RepairLikeLast(view));
}

// Rows without a single comb are left as they are, whether the picture is repaired in place or
// into another one. Combs in a few rows only, the rest a smooth gradient.
TEST(Deinterlacer, RowsWithoutCombsAreKeptAsTheyAre) {
    std::mt19937 random(77);
    Deinterlacer d;
    const int w = 45, h = 31;
    Picture src(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            src.set(x, y, std::uint32_t(x * 5 + y) * 0x010101u | 0x7F000000u);
    for (int y : {3, 4, 5, 17, 29})
        for (int x = 0; x < w; ++x)
            if (random() % 3) src.set(x, y, std::uint32_t(random()));
    const Picture expected = referenceDeinterlace(src);
    ASSERT_NE(expected.bytes, src.bytes);
    Picture out(w, h, 0x12345678u);
    ASSERT_TRUE(d.Deinterlace(src.view(), out.view()));
    Picture inPlace = src;
    ASSERT_TRUE(d.Deinterlace(inPlace.view(), inPlace.view()));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(out.at(x, y), expected.at(x, y)) << x << "," << y;
            ASSERT_EQ(inPlace.at(x, y), expected.at(x, y)) << x << "," << y;
        }
}

// Copying out of a frame into an opaque image is the same single pass: every pixel as the
// plain repair gives it, its fourth byte 255, in place or into another picture, also where a
// row has no comb or the picture is too short to repair.
TEST(Deinterlacer, OpaqueResultIsTheRepairWithEveryFourthByteSet) {
    std::mt19937 random(99);
    Deinterlacer d;
    for (auto [w, h] : {std::pair{37, 23}, std::pair{8, 2}, std::pair{722, 7}}) {
        Picture src(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                src.set(x, y, y == 3 ? 0x10203040u : std::uint32_t(random()) & 0x3FC0E0F0u);
        const Picture expected = referenceDeinterlace(src);
        Picture out(w, h, 0x12345678u);
        ASSERT_TRUE(d.Deinterlace(src.view(), out.view(), true));
        Picture inPlace = src;
        ASSERT_TRUE(d.Deinterlace(inPlace.view(), inPlace.view(), true));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint32_t want = expected.at(x, y) | 0xFF000000u;
                ASSERT_EQ(out.at(x, y), want) << w << "x" << h << " at " << x << "," << y;
                ASSERT_EQ(inPlace.at(x, y), want) << w << "x" << h << " at " << x << "," << y;
            }
        EXPECT_EQ(out.bytes[std::size_t(w) * 4], 0xEE); // the row padding is not written
    }
}

TEST(Deinterlacer, RejectsMismatchedOrInvalidViews) {
    Deinterlacer d;
    Picture src(4, 4);
    Picture other(4, 3, 0x01020304);
    EXPECT_FALSE(d.Deinterlace(src.view(), other.view()));
    EXPECT_EQ(other.at(0, 0), 0x01020304u);
    EXPECT_FALSE(d.Deinterlace(ConstFrameView(nullptr, 4, 4, 16), src.view()));
    EXPECT_FALSE(d.Deinterlace(ConstFrameView(src.bytes.data(), 4, 4, 8), other.view()));
}

} // namespace
} // namespace sp
