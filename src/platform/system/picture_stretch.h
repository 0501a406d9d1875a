#pragma once
// Stretching a grabbed frame over the whole of the output image: a separable bicubic
// (Catmull-Rom) filter whose support widens when shrinking, so a reduced image is smoothed
// rather than aliased. Every output pixel is covered; the aspect ratio is the caller's choice.
//
// Any thread. The result owns its pixels.

#include "platform/system/image_files.h" // PictureView

#include <cstdint>
#include <vector>

namespace sp {

// A 32-bit B, G, R, x picture, top row first, rows packed (stride = width x 4).
struct OwnedPicture {
    std::vector<uint8_t> pixels;
    int width = 0;
    int height = 0;

    bool empty() const { return width < 1 || height < 1; }
    PictureView view() const { return {pixels.data(), width, height, width * 4}; }
};

// `source` stretched to width x height. The x byte of every output pixel is 255. An empty
// picture when the source is not a valid picture or a target side is below 1 or above 65,500.
OwnedPicture StretchPicture(const PictureView& source, int width, int height);

} // namespace sp
