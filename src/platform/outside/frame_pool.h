#pragma once
// Picture buffers for a libavcodec video decoder. libavcodec's own buffers come from the heap in
// small pages and are cleared before use, so every buffer of a new decoder costs a page fault
// per 4 KiB the first time it is filled. A full-HD picture (and anything of 2 MiB or more) is
// given here one block of large-page memory for all its planes, already zero; pictures of
// 256 KiB or more that fill at least two thirds of a large page between two or more of them
// (PAL and NTSC 4:2:0: three and four a page) share large pages; smaller pictures, decoders
// that cannot take outside buffers and hardware formats keep libavcodec's default.
//
// Threads: libavcodec calls the pool from its decoding threads, possibly at once; the pool
// locks itself. Lifetime: attach() before avcodec_open2; the pool must outlive the codec context
// (pictures still in use hold their own memory and may outlive both).

#include "platform/graph/picture_memory.h"

#include <cstddef>
#include <memory>
#include <mutex>

struct AVBufferPool;
struct AVBufferRef;
struct AVCodecContext;
struct AVFrame;

namespace sp::outside {

class FramePool {
public:
    FramePool() = default;
    ~FramePool();
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    // Makes the pool `context`'s get_buffer2 (through its opaque pointer).
    void attach(AVCodecContext* context);

private:
    static int getBuffer(AVCodecContext* context, AVFrame* frame, int flags);
    static AVBufferRef* allocateFromSlab(void* opaque, size_t bytes);
    int fill(AVCodecContext* context, AVFrame* frame);
    // Recomputes the plane layout (and starts a new pool) for another format or size.
    bool layoutFor(AVCodecContext* context, const AVFrame& frame);

    std::mutex mutex_;
    AVBufferPool* pool_ = nullptr; // guarded by mutex_, as are the fields below
    int format_ = -1;
    int width_ = 0;
    int height_ = 0;
    bool large_ = false;                      // the picture is big enough for large-page memory
    bool sliced_ = false;                     // pictures share large pages
    std::shared_ptr<mf::PictureMemory> slab_; // the page being cut into blocks
    std::size_t slabUsed_ = 0;                // bytes of it given out
    int linesize_[4] = {};
    std::size_t offset_[4] = {}; // of each plane in the block
    int planes_ = 0;
    std::size_t blockBytes_ = 0;
};

} // namespace sp::outside
