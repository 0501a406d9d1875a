#include "platform/outside/frame_pool.h"

#include "platform/graph/picture_memory.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <cstdint>
#include <memory>

namespace sp::outside {

namespace {

// Decoders may read and write a little past a plane's last row with vector instructions:
// libavcodec gives each plane this much slack, and so does the pool.
constexpr std::size_t kPlaneSlack = 16 + 64 - 1;
constexpr std::size_t kLargeBlock = std::size_t(2) << 20;

std::size_t alignUp(std::size_t n) {
    return (n + 63) & ~std::size_t(63);
}

void releaseBlock(void* mappedBytes, uint8_t* data) {
    mf::PictureMemoryRelease{reinterpret_cast<std::uintptr_t>(mappedBytes)}(data);
}

// Smaller pictures share large pages: each page is cut into as many blocks as it holds, and goes
// back to the system with its last block.
struct SlabRef {
    std::shared_ptr<mf::PictureMemory> slab;
};

void releaseSlabBlock(void* ref, uint8_t*) {
    std::unique_ptr<SlabRef> owned(static_cast<SlabRef*>(ref));
}

// How many blocks of `bytes` (a standard-definition picture, 256 KiB or more) one large page
// takes, when they fill at least two thirds of it; 0 otherwise (the pictures keep libavcodec's
// buffers).
std::size_t blocksPerSlab(std::size_t bytes) {
    constexpr std::size_t kSlabFrom = std::size_t(256) << 10;
    const std::size_t n = bytes >= kSlabFrom ? kLargeBlock / bytes : 0;
    return n >= 2 && n * bytes * 3 >= kLargeBlock * 2 ? n : 0;
}

AVBufferRef* allocateBlock(void*, size_t bytes) {
    mf::PictureMemory block = mf::MapPictureMemory(bytes);
    if (!block) return av_buffer_allocz(bytes);
    const std::size_t mapped = block.get_deleter().mappedBytes;
    AVBufferRef* ref =
        av_buffer_create(block.get(), bytes, releaseBlock, reinterpret_cast<void*>(mapped), 0);
    if (ref) block.release();
    return ref;
}

} // namespace

AVBufferRef* FramePool::allocateFromSlab(void* opaque, size_t bytes) {
    auto* pool = static_cast<FramePool*>(opaque); // called within fill(), under the pool's lock
    if (!pool->slab_ || pool->slabUsed_ + bytes > kLargeBlock) {
        mf::PictureMemory page = mf::MapPictureMemory(kLargeBlock);
        if (!page) return av_buffer_allocz(bytes);
        pool->slab_ = std::make_shared<mf::PictureMemory>(std::move(page));
        pool->slabUsed_ = 0;
    }
    uint8_t* data = pool->slab_->get() + pool->slabUsed_;
    auto ref = std::make_unique<SlabRef>(SlabRef{pool->slab_});
    AVBufferRef* buffer = av_buffer_create(data, bytes, releaseSlabBlock, ref.get(), 0);
    if (!buffer) return nullptr;
    ref.release(); // the buffer holds the page now
    pool->slabUsed_ += bytes;
    return buffer;
}

FramePool::~FramePool() {
    av_buffer_pool_uninit(&pool_);
}

void FramePool::attach(AVCodecContext* context) {
    context->opaque = this;
    context->get_buffer2 = &FramePool::getBuffer;
#if FF_API_THREAD_SAFE_CALLBACKS
    // Older libavcodec asks to be told the callback is thread-safe (it locks itself).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    context->thread_safe_callbacks = 1;
#pragma GCC diagnostic pop
#endif
}

int FramePool::getBuffer(AVCodecContext* context, AVFrame* frame, int flags) {
    auto* pool = static_cast<FramePool*>(context->opaque);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    const bool ours = pool && context->codec_type == AVMEDIA_TYPE_VIDEO && desc &&
                      !(desc->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_PAL)) &&
                      (context->codec->capabilities & AV_CODEC_CAP_DR1) && frame->width > 0 &&
                      frame->height > 0;
    if (ours) {
        const int result = pool->fill(context, frame);
        if (result != AVERROR(ENOSYS)) return result;
    }
    return avcodec_default_get_buffer2(context, frame, flags);
}

// The same plane layout as libavcodec's default: dimensions aligned for the codec, line sizes
// widened until each meets its alignment.
bool FramePool::layoutFor(AVCodecContext* context, const AVFrame& frame) {
    if (pool_ && frame.format == format_ && frame.width == width_ && frame.height == height_)
        return true;
    av_buffer_pool_uninit(&pool_); // pictures still out keep their memory
    format_ = frame.format;
    width_ = frame.width;
    height_ = frame.height;
    int w = frame.width, h = frame.height;
    int strideAlign[AV_NUM_DATA_POINTERS];
    avcodec_align_dimensions2(context, &w, &h, strideAlign);
    for (int unaligned = 1; unaligned;) {
        if (av_image_fill_linesizes(linesize_, AVPixelFormat(format_), w) < 0) return false;
        w += w & ~(w - 1);
        unaligned = 0;
        for (int i = 0; i < 4; ++i)
            unaligned |= linesize_[i] % strideAlign[i];
    }
    ptrdiff_t lines[4];
    for (int i = 0; i < 4; ++i)
        lines[i] = linesize_[i];
    size_t sizes[4] = {};
    if (av_image_fill_plane_sizes(sizes, AVPixelFormat(format_), h, lines) < 0) return false;
    planes_ = 0;
    blockBytes_ = 0;
    for (int i = 0; i < 4 && sizes[i]; ++i, ++planes_) {
        offset_[i] = blockBytes_;
        blockBytes_ += alignUp(sizes[i] + kPlaneSlack);
    }
    large_ = blockBytes_ >= kLargeBlock;
    sliced_ = !large_ && blocksPerSlab(blockBytes_) > 0;
    slab_.reset(); // blocks of another size start a page of their own
    if (large_)
        pool_ = av_buffer_pool_init2(blockBytes_, nullptr, allocateBlock, nullptr);
    else if (sliced_)
        pool_ = av_buffer_pool_init2(blockBytes_, this, allocateFromSlab, nullptr);
    return !(large_ || sliced_) || pool_;
}

int FramePool::fill(AVCodecContext* context, AVFrame* frame) {
    std::lock_guard lock(mutex_);
    // Small pictures, and layouts this pool cannot make, are left to libavcodec's default.
    if (!layoutFor(context, *frame) || !(large_ || sliced_)) return AVERROR(ENOSYS);
    frame->buf[0] = av_buffer_pool_get(pool_);
    if (!frame->buf[0]) return AVERROR(ENOMEM);
    for (int i = 0; i < 4; ++i) {
        frame->data[i] = i < planes_ ? frame->buf[0]->data + offset_[i] : nullptr;
        frame->linesize[i] = i < planes_ ? linesize_[i] : 0;
    }
    frame->extended_data = frame->data;
    return 0;
}

} // namespace sp::outside
