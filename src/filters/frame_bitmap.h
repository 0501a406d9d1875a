// The bitmap filter's frame: a 32-bit picture in memory with its own lock.
//
// Pixels are 4 bytes each in the order B, G, R, reserved; rows are stored top row first with no
// padding (stride = width × 4). The frame owns its memory.
//
// Locking: the frame is the one object the video streaming thread and the main window share on
// purpose. The streaming thread holds the lock while it copies a picture in, draws on it and
// copies it out; the main window holds it while it copies the picture for a snapshot. The lock
// is a plain (non-recursive) mutex: whoever holds it must not take it again. TFrameBitmap is
// BasicLockable, so std::lock_guard and std::unique_lock work on it.
//
// Everything but lock(), unlock(), try_lock() and CopyTo() expects the caller to hold the lock
// (or to be the only thread that can see the frame).
#pragma once

#include "filters/deinterlacer.h" // FrameView
#include "platform/graph/picture_memory.h"

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace sp {

class TFrameBitmap {
public:
    // Largest accepted side and pixel count: a damaged format block must not make the filter
    // allocate gigabytes. Larger sizes leave the frame empty.
    static constexpr int kMaxSide = 16384;
    static constexpr int64_t kMaxPixels = int64_t(8192) * 8192;

    TFrameBitmap() = default;
    TFrameBitmap(const TFrameBitmap&) = delete;
    TFrameBitmap& operator=(const TFrameBitmap&) = delete;

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    std::size_t Stride() const { return std::size_t(width_) * 4; }
    std::uint8_t* Bits() { return pixels_.data(); }
    const std::uint8_t* Bits() const { return pixels_.data(); }
    std::uint8_t* Row(int y) { return pixels_.data() + std::size_t(y) * Stride(); }
    const std::uint8_t* Row(int y) const { return pixels_.data() + std::size_t(y) * Stride(); }
    // The picture as a view for drawing (valid until the next SetSize).
    FrameView View();

    // Gives the frame a new size. A new size starts black (all bytes 0); the same size keeps
    // the picture. A side of 0 or less, or a size beyond the limits above, gives an empty frame.
    // Allocates only when the size changes; returns false (empty frame) when memory runs out.
    bool SetSize(int width, int height);

    // Takes this frame's lock and copies size and pixels into `target`, which belongs to the
    // caller and is not locked (it must not be this frame). Used by the main window, on the
    // thread that handles the grab message or takes a snapshot.
    void CopyTo(TFrameBitmap& target);

private:
    std::mutex mutex_;
    int width_ = 0;           // guarded by mutex_ (see above)
    int height_ = 0;          // guarded by mutex_
    mf::ZeroedBuffer pixels_; // guarded by mutex_
};

} // namespace sp
