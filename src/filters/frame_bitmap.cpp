#include "filters/frame_bitmap.h"

#include <algorithm>
#include <new>

namespace sp {

FrameView TFrameBitmap::View() {
    return {Bits(), width_, height_, std::ptrdiff_t(Stride()), 32};
}

bool TFrameBitmap::SetSize(int width, int height) {
    const bool usable = width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
                        int64_t(width) * height <= kMaxPixels;
    if (!usable) width = height = 0;
    if (width == width_ && height == height_) return true;
    DropBorrowed();
    try {
        pixels_.assign(std::size_t(width) * std::size_t(height) * 4);
    } catch (const std::bad_alloc&) {
        pixels_.clear();
        width_ = height_ = 0;
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

void TFrameBitmap::CopyTo(TFrameBitmap& target) {
    if (&target == this) return;
    std::lock_guard lock(*this);
    target.DropBorrowed();
    if (!target.SetSize(width_, height_)) return;
    CopyRowsTo(target.pixels_.data());
}

void TFrameBitmap::CopyRowsTo(std::uint8_t* target) const {
    const std::size_t rowBytes = std::size_t(width_) * 4;
    if (Stride() == rowBytes) {
        mf::CopyPictureBytes(target, Bits(), pixels_.size());
        return;
    }
    for (int y = 0; y < height_; ++y)
        mf::CopyPictureBytes(target + std::size_t(y) * rowBytes, Row(y), rowBytes);
}

bool TFrameBitmap::Borrow(mf::ComPtr<mf::IMediaSample> sample, std::uint8_t* bits,
                          std::size_t strideBytes) {
    const std::size_t rowBytes = std::size_t(width_) * 4;
    if (strideBytes == 0) strideBytes = rowBytes;
    if (!sample || !bits || Empty() || strideBytes < rowBytes) return false;
    borrowed_ = std::move(sample);
    borrowedBits_ = bits;
    borrowedStride_ = strideBytes;
    return true;
}

void TFrameBitmap::KeepOwnCopy() {
    if (!borrowedBits_) return;
    CopyRowsTo(pixels_.data());
    DropBorrowed();
}

void TFrameBitmap::DropBorrowed() {
    borrowedBits_ = nullptr;
    borrowedStride_ = 0;
    borrowed_ = nullptr;
}

} // namespace sp
