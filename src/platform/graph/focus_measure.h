#pragma once
// Focus measures. The focus measure of a picture: the variance of the 4-neighbour Laplacian of its
// luma over the inner samples. A sharp picture has strong, varied second differences; blur (focus
// or motion) flattens them. Shared by the video decoder, which measures the luma plane of its
// decoded pictures, and the program's own picture measures (luma computed from RGB). Pure
// functions, and the interface of a decoder that takes the measures.

#include "platform/graph/com.h"
#include "platform/graph/hresult.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace mf {

// A grid of luma samples in memory: `width` × `height` samples, the next sample of a row
// `columnStep` elements on, the next row `rowStep` elements on (either may skip samples, to
// measure every second one of a large picture). Samples wider than 8 bits are taken shifted
// right by `shift`, so that every depth measures on the same 0..255 scale.
template <typename Sample> struct LumaGrid {
    const Sample* origin = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t rowStep = 0;
    std::ptrdiff_t columnStep = 1;
    int shift = 0;
};

// 0 for a grid smaller than 3 × 3.
template <typename Sample> double LaplacianVariance(const LumaGrid<Sample>& grid) {
    const int w = grid.width;
    const int h = grid.height;
    if (!grid.origin || w < 3 || h < 3) return 0;
    const std::ptrdiff_t across = grid.columnStep;
    int64_t sum = 0;
    uint64_t sumSquares = 0;
    for (int y = 1; y < h - 1; ++y) {
        const Sample* row = grid.origin + y * grid.rowStep;
        const Sample* above = row - grid.rowStep;
        const Sample* below = row + grid.rowStep;
        for (int x = 1; x < w - 1; ++x) {
            const std::ptrdiff_t i = x * across;
            const int centre = row[i] >> grid.shift;
            const int laplacian = 4 * centre - (row[i - across] >> grid.shift) -
                                  (row[i + across] >> grid.shift) - (above[i] >> grid.shift) -
                                  (below[i] >> grid.shift);
            sum += laplacian;
            sumSquares += uint64_t(int64_t(laplacian) * laplacian);
        }
    }
    const double count = double(w - 2) * double(h - 2);
    const double mean = double(sum) / count;
    return double(sumSquares) / count - mean * mean;
}

// Focus measures of decoded pictures, for a video decoder that can take them
// on its pictures as decoded, before any conversion, so that the sharpest of a few neighbouring
// frames is found without showing each. Times are stream times (the segment's start plus the
// sample time), as positions are.
class IFrameFocus : public virtual Unknown {
public:
    // Controlling thread. Measures the pictures starting within [from, to]: from the next
    // segment on (a seek), those the decoder keeps for steps back, then each one it decodes.
    // Forgets the measures taken before. from > to stops measuring.
    virtual HRESULT MeasureFocus(REFERENCE_TIME from, REFERENCE_TIME to) = 0;
    // Any thread: the measures taken so far, by picture start, earliest first; none for
    // pictures in a format the decoder cannot measure (no plane of luma samples).
    virtual HRESULT TakenFocus(std::vector<std::pair<REFERENCE_TIME, double>>* measures) = 0;
};

} // namespace mf
