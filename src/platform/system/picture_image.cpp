#include "platform/system/picture_image.h"

#include "platform/graph/picture_memory.h"

#include <limits>
#include <memory>
#include <new>

namespace sp {

namespace {

// The image's last copy hands its block back.
void releaseBlock(void* info) {
    std::unique_ptr<mf::PictureMemory> owned(static_cast<mf::PictureMemory*>(info));
}

} // namespace

QImage NewPictureImage(int width, int height) {
    constexpr int kMaxSide = std::numeric_limits<int>::max() / 4;
    if (width < 1 || height < 1 || width > kMaxSide) return {};
    const qsizetype stride = qsizetype(width) * 4;
    try {
        auto block = std::make_unique<mf::PictureMemory>(
            mf::AllocatePictureMemory(size_t(stride) * size_t(height)));
        QImage image(block->get(), width, height, stride, QImage::Format_RGB32, releaseBlock,
                     block.get());
        if (image.isNull()) return {};
        block.release(); // the image owns it now
        return image;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace sp
