#pragma once
// Stretching a grabbed frame over the whole of the output image: a separable bicubic
// (Catmull-Rom) filter whose support widens when shrinking, so a reduced image is smoothed
// rather than aliased. Every output pixel is covered; the aspect ratio is the caller's choice.
// An axis whose size does not change is not filtered (720 x 576 to 720 x 540 filters only the
// rows). Fixed-point arithmetic (14-bit weights), in loops the compiler vectorises.
//
// Any thread; a PictureStretcher is used by one thread at a time.

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

// The source samples and 14-bit weights of each output position along one axis.
struct StretchTaps {
    int sourceSize = 0;
    int targetSize = 0;
    int count = 0;                // taps per output position
    std::vector<int> first;       // first source index of each output position
    std::vector<int16_t> weights; // count weights per output position, summing to 16384
};

// Keeps the filter taps and the intermediate rows from one picture to the next, so a run of
// same-sized grabs computes the taps once and allocates nothing.
class PictureStretcher {
public:
    // `source` stretched over `target` (width x height of B, G, R, x at `targetStride` bytes a
    // row; it must not overlap the source). The x byte of every output pixel is 255. False,
    // with `target` untouched, when the source is not a valid picture, a target side is below
    // 1 or above 65,500, or the target stride is shorter than a row.
    bool Stretch(const PictureView& source, uint8_t* target, int width, int height,
                 int targetStride);
    // Only the output rows `first` .. `first + count - 1` of the same stretch, into `target`
    // (`count` rows, `targetStride` apart): a consumer that takes a picture a band at a time
    // (the JPEG encoder) gets each band while it is still in cache. False, with `target`
    // untouched, as Stretch, and when the rows are not all inside the output.
    bool StretchRows(const PictureView& source, int width, int height, int first, int count,
                     uint8_t* target, int targetStride);

private:
    StretchTaps across_, down_;
    std::vector<int16_t> rows_; // rows stretched across, 6 fractional bits
};

// `source` stretched to width x height. An empty picture when Stretch would fail.
OwnedPicture StretchPicture(const PictureView& source, int width, int height);

} // namespace sp
