// Repairs the combing of a still picture taken from interlaced video.
//
// Only the pixels of odd rows that stand out from both vertical neighbours (and have a
// detected horizontal neighbour) are replaced by the average of the rows above and below;
// everything else keeps its full vertical detail.
//
// Threading: a Deinterlacer is used by one thread at a time (the main window's grab command).
// It owns its two mask buffers, which grow to the largest picture seen and are reused, so a
// call allocates nothing once the buffers are large enough.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sp {

// A picture in memory that the viewer does not own: rows top row first, `strideBytes` apart.
// 32-bit pixels hold the bytes B, G, R, reserved. Other depths are only ever copied.
struct FrameView {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t strideBytes = 0;
    int bitsPerPixel = 32;

    std::size_t rowBytes() const;
    bool valid() const;
};

struct ConstFrameView {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t strideBytes = 0;
    int bitsPerPixel = 32;

    ConstFrameView() = default;
    ConstFrameView(const std::uint8_t* b, int w, int h, std::ptrdiff_t stride, int bpp = 32)
        : bits(b), width(w), height(h), strideBytes(stride), bitsPerPixel(bpp) {}
    ConstFrameView(const FrameView& v) // NOLINT(google-explicit-constructor): views convert freely
        : bits(v.bits), width(v.width), height(v.height), strideBytes(v.strideBytes),
          bitsPerPixel(v.bitsPerPixel) {}

    std::size_t rowBytes() const;
    bool valid() const;
};

class Deinterlacer {
public:
    // Fills `result` from `source`; the source is not changed. A picture that is not 32 bits
    // per pixel, or has fewer than 3 rows, is copied unchanged. `result` may be the very same
    // memory as `source` (same bits and stride) to repair in place; other overlaps are not
    // allowed. Returns false, leaving `result` untouched, when either view is invalid (null
    // bits, negative size, stride shorter than a row) or the two differ in size or depth.
    // With `opaque`, the fourth byte of every 32-bit result pixel is 255 (a copy out of a frame
    // into an RGB32 image is then the same single pass as the repair).
    // With `upsideDown` (the picture is the video turned top to bottom) the rows repaired are
    // those of the same field of the video, the even ones when the height is even, so that the
    // repair of a flipped picture is the flipped repair of the picture.
    bool Deinterlace(ConstFrameView source, FrameView result, bool opaque = false,
                     bool upsideDown = false);
    // Repairs `deep`, the picture of the last Deinterlace at 16 bits a channel (64-bit pixels:
    // R, G, B, x samples), at the very pixels that call repaired, each the average of the
    // pixels above and below. False, changing nothing, when its size is not the last one's.
    bool RepairLikeLast(FrameView deep);

private:
    void prepareMasks(int width, int height);
    // Writes repaired odd row `row` into `result`; false, writing nothing, when no pixel of
    // the row is combed.
    bool repairRow(ConstFrameView source, FrameView result, int row, std::uint32_t fourth);

    // Detection mask and filtered mask, one byte per pixel (0 or 1), meaningful on odd rows.
    std::vector<std::uint8_t> DeinterlaceMask;
    std::vector<std::uint8_t> DeinterlaceMask2;
    // Of the last Deinterlace: which rows went through repair (their filtered mask is valid)
    // and the picture's width.
    std::vector<std::uint8_t> repairedRows_;
    int repairedWidth_ = 0;
};

} // namespace sp
