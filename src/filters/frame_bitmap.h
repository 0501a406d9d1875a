// The bitmap filter's frame: a 32-bit picture in memory with its own lock.
//
// Pixels are 4 bytes each in the order B, G, R, reserved; rows are stored top row first. The
// frame owns its memory (rows with no padding: stride = width × 4), or holds a picture that lives
// in a media sample's buffer (Borrow), whose rows may lie further apart (a canvas wider than the
// frame): the bitmap filter writes each picture once, straight into the output sample it sends
// downstream, and the frame keeps that sample referenced instead of holding a second copy. Such
// a buffer is written only before it is borrowed; the frame lets the sample go at the next
// Borrow, at a change of size, at DropBorrowed, or copies the picture into its own memory first
// (KeepOwnCopy, before the sample's allocator is reconfigured).
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
#include "platform/graph/interfaces.h"
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
    // Bytes from one row to the next: width × 4 in the frame's own memory, more in a borrowed
    // canvas.
    std::size_t Stride() const { return borrowedBits_ ? borrowedStride_ : std::size_t(width_) * 4; }
    std::uint8_t* Bits() { return borrowedBits_ ? borrowedBits_ : pixels_.data(); }
    const std::uint8_t* Bits() const { return borrowedBits_ ? borrowedBits_ : pixels_.data(); }
    std::uint8_t* Row(int y) { return Bits() + std::size_t(y) * Stride(); }
    const std::uint8_t* Row(int y) const { return Bits() + std::size_t(y) * Stride(); }
    // The picture as a view for drawing (valid until the next SetSize).
    FrameView View();

    // Gives the frame a new size. A new size starts black (all bytes 0); the same size keeps
    // the picture. A side of 0 or less, or a size beyond the limits above, gives an empty frame.
    // Allocates only when the size changes; returns false (empty frame) when memory runs out.
    // A borrowed picture stays when the size is the same.
    bool SetSize(int width, int height);

    // The picture now is the one at `bits`, Height() rows `strideBytes` apart (0: width × 4)
    // inside `sample`'s buffer, which the frame keeps referenced; the previous borrowed sample is
    // let go. The caller has written the picture and lets no one write that buffer while it is
    // borrowed. Ignored (false) for a null sample or bits, an empty frame, or a stride shorter
    // than a row.
    bool Borrow(mf::ComPtr<mf::IMediaSample> sample, std::uint8_t* bits,
                std::size_t strideBytes = 0);
    bool Borrowing() const { return borrowedBits_ != nullptr; }
    // Copies a borrowed picture into the frame's own memory and lets the sample go.
    void KeepOwnCopy();
    // Lets a borrowed sample go; the frame's own memory (its last own picture) shows again.
    void DropBorrowed();

    // Takes this frame's lock and copies size and pixels into `target`, which belongs to the
    // caller and is not locked (it must not be this frame). The copy's rows have no padding.
    // Used by the main window, on the thread that handles the grab message or takes a snapshot.
    void CopyTo(TFrameBitmap& target);

private:
    std::mutex mutex_;
    int width_ = 0;                         // guarded by mutex_ (see above)
    int height_ = 0;                        // guarded by mutex_
    mf::ZeroedBuffer pixels_;               // guarded by mutex_
    mf::ComPtr<mf::IMediaSample> borrowed_; // guarded by mutex_
    std::uint8_t* borrowedBits_ = nullptr;  // guarded by mutex_; inside borrowed_'s buffer
    std::size_t borrowedStride_ = 0;        // guarded by mutex_

    // Copies the picture (rows Stride() apart) into `target`, rows width × 4 apart.
    void CopyRowsTo(std::uint8_t* target) const;
};

} // namespace sp
