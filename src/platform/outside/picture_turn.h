#pragma once
// Turning a picture of 32- or 64-bit pixels upright by its display orientation
// (mf::PictureOrientation): a pure pixel copy, callable from any thread. The copy goes by square
// tiles, so both the rows read and the rows written stay in the processor's cache even for a
// quarter turn.

#include "platform/graph/formats.h"

#include <cstddef>
#include <cstdint>

namespace sp::outside {

// The upright size of a width x height picture.
struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};
PictureSize uprightSize(int width, int height, mf::PictureOrientation orientation);

// Copies the stored picture `src` (width x height pixels of `pixelBytes`, 4 or 8, top row
// first, `srcStride` bytes per row) into `dst` turned by `orientation`. `dst` points at the
// upright picture's top row and `dstStride` (which may be negative, for bottom-up rows) steps
// to the next row down. The two pictures must not overlap.
void turnPicture(const uint8_t* src, int width, int height, ptrdiff_t srcStride,
                 mf::PictureOrientation orientation, uint8_t* dst, ptrdiff_t dstStride,
                 int pixelBytes = 4);

// The orientation a libavutil display matrix (nine 32-bit values: 16.16 fixed point, the last
// column 2.30) asks for, read as the ffmpeg command line reads it; upright for a matrix that is
// not a whole number of quarter turns (with or without a mirror).
mf::PictureOrientation orientationFromDisplayMatrix(const int32_t matrix[9]);

} // namespace sp::outside
