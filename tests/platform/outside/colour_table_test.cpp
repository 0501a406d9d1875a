// A colour table reproduces what it was sampled from: exactly at the grid points and the cube's
// corners, within a step between them for conversions that are linear within each
// tetrahedron, and greys stay grey. A table without enough samples is empty.

#include "platform/outside/colour_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace sp::outside {
namespace {

using Rgb = std::array<double, 3>; // 0 .. 1
using Conversion = std::function<Rgb(const Rgb&)>;

// `convert` sampled on a grid of `points` per axis.
ColourTable Sampled(int points, const Conversion& convert) {
    std::vector<uint16_t> planes[3];
    for (int b = 0; b < points; ++b)
        for (int g = 0; g < points; ++g)
            for (int r = 0; r < points; ++r) {
                const Rgb out = convert({ColourTable::gridLevel(r, points) / 65535.0,
                                         ColourTable::gridLevel(g, points) / 65535.0,
                                         ColourTable::gridLevel(b, points) / 65535.0});
                for (int c = 0; c < 3; ++c)
                    planes[c].push_back(
                        uint16_t(std::lround(std::clamp(out[c], 0.0, 1.0) * 65535)));
            }
    return ColourTable(points, planes[0], planes[1], planes[2]);
}

// Maps one pixel; returns R, G, B and checks the fourth byte.
std::array<int, 3> Map(const ColourTable& table, uint16_t r, uint16_t g, uint16_t b) {
    uint8_t bgrx[4] = {};
    table.mapRow(&r, &g, &b, bgrx, 1);
    EXPECT_EQ(bgrx[3], 0xFF);
    return {bgrx[2], bgrx[1], bgrx[0]};
}

// Each output a mix of the inputs, one of them turned round: linear everywhere.
Rgb Mixed(const Rgb& in) {
    return {0.5 * in[0] + 0.3 * in[1] + 0.2 * in[2], in[1], 1.0 - in[2]};
}

// The largest channel tone-mapped, the others scaled with it, as the Hable tone mapping does
// without desaturation: linear within each tetrahedron only along rays from black, so close.
Rgb ScaledByLargest(const Rgb& in) {
    const double largest = std::max({in[0], in[1], in[2], 1e-6});
    const double mapped = largest / (1 + largest) * 2;
    return {in[0] * mapped / largest, in[1] * mapped / largest, in[2] * mapped / largest};
}

// The largest difference, in 8-bit steps, between the table and `convert` over random inputs.
double WorstDifference(const ColourTable& table, const Conversion& convert, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(0, 65535);
    double worst = 0;
    for (int i = 0; i < 20000; ++i) {
        const uint16_t r = uint16_t(level(random)), g = uint16_t(level(random)),
                       b = uint16_t(level(random));
        const Rgb want = convert({r / 65535.0, g / 65535.0, b / 65535.0});
        const auto got = Map(table, r, g, b);
        for (size_t c = 0; c < 3; ++c)
            worst = std::max(worst, std::abs(got[c] - std::clamp(want[c], 0.0, 1.0) * 255));
    }
    return worst;
}

TEST(ColourTable, ReproducesLinearConversionsEverywhereAndKeepsCorners) {
    const ColourTable table = Sampled(17, Mixed);
    ASSERT_FALSE(table.empty());
    EXPECT_LE(WorstDifference(table, Mixed, 34), 1.0);
    // The cube's corners and every grid point come out as sampled, 65535 included.
    EXPECT_EQ(Map(table, 0, 0, 0), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(Map(table, 65535, 65535, 65535), (std::array<int, 3>{255, 255, 0}));
    EXPECT_EQ(Map(table, 65535, 0, 0), (std::array<int, 3>{128, 0, 255}));
    for (int p = 0; p < 17; ++p) {
        const uint16_t level16 = ColourTable::gridLevel(p, 17);
        // Within half a step, and the table's own 1/16 step.
        EXPECT_LE(std::abs(Map(table, 0, level16, 0)[1] - 255.0 * level16 / 65535), 0.5 + 1 / 16.0)
            << "grid point " << p;
    }
}

TEST(ColourTable, KeepsGreysNeutralAndFollowsAConversionByTheLargestChannel) {
    const ColourTable table = Sampled(ColourTable::kPoints, ScaledByLargest);
    for (int level = 0; level <= 65535; level += 257) {
        const auto grey = Map(table, uint16_t(level), uint16_t(level), uint16_t(level));
        EXPECT_EQ(grey[0], grey[1]) << level;
        EXPECT_EQ(grey[1], grey[2]) << level;
    }
    EXPECT_LE(WorstDifference(table, ScaledByLargest, 2084), 1.5);
}

TEST(ColourTable, IsEmptyWithoutEnoughSamples) {
    const std::vector<uint16_t> eight(8, 0);
    EXPECT_TRUE(ColourTable(1, eight, eight, eight).empty());
    EXPECT_FALSE(ColourTable(2, eight, eight, eight).empty());
    EXPECT_TRUE(ColourTable(3, eight, eight, eight).empty());
    EXPECT_TRUE(ColourTable().empty());
}

} // namespace
} // namespace sp::outside
