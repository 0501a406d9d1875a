#pragma once
// ColourTable: a colour conversion from three 16-bit channels (R'G'B', or Y'CbCr codes) to 8-bit
// RGB, sampled on a regular grid (points × points × points samples) and applied to pictures by
// tetrahedral interpolation, into BGRX bytes. Any smooth conversion (tone mapping from HDR, say)
// then costs a few table reads per pixel, whatever the filters it was sampled from cost.
// Tetrahedral interpolation reproduces conversions that are linear within each tetrahedron
// exactly; over R'G'B' those include the axis of greys and the planes where two channels are
// equal, where conversions that look at the largest channel change their slope.
//
// Threads: filled once, then read by any number of threads at once.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sp::outside {

class ColourTable {
public:
    // Grid points per axis the tone mapper samples: PQ footage comes within 43 dB of the filters
    // themselves (33 points: 38 dB, 65: 45 dB), and the table (0.9 MiB) is sampled in a few
    // tens of milliseconds once per file.
    static constexpr int kPoints = 49;

    // The 16-bit level of grid point `index` (0 .. points - 1).
    static uint16_t gridLevel(int index, int points);

    ColourTable() = default;
    // The outputs at every grid point, each plane 16 bits a sample, the first input channel
    // varying fastest: the sample at grid point (i, j, k) of the three channels lies at
    // (k * points + j) * points + i. An empty table when the planes are smaller than that or
    // points is below 2.
    ColourTable(int points, std::span<const uint16_t> red, std::span<const uint16_t> green,
                std::span<const uint16_t> blue);

    bool empty() const { return entries_.empty(); }

    // One row of `width` pixels from three 16-bit planes into BGRX bytes (X set to 0xFF).
    void mapRow(const uint16_t* first, const uint16_t* second, const uint16_t* third, uint8_t* bgrx,
                int width) const;

private:
    // Each entry holds B, G and R with 4 fraction bits in three 21-bit fields, so that one
    // 64-bit multiply by a weight below 2^9 scales all three without carries between them.
    static constexpr int kFieldBits = 21;
    static constexpr int kValueFractionBits = 4;
    static constexpr int kWeightBits = 8;

    int points_ = 0;
    std::vector<uint64_t> entries_;
};

} // namespace sp::outside
