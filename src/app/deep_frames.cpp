#include "app/deep_frames.h"

#include "platform/outside/frame_cache.h" // kSameTimeHns
#include "platform/outside/picture_reader.h"

#include <span>

namespace sp {

namespace {
constexpr int64_t kReadOnWithinHns = 10'000'000;
}

TDeepFrames::TDeepFrames() = default;
TDeepFrames::~TDeepFrames() = default;

void TDeepFrames::Close() {
    reader_.reset();
    path_.clear();
    deep_ = false;
    lastStart_ = lastEnd_ = -1;
}

bool TDeepFrames::OpenFor(const std::string& path) {
    if (path == path_) return reader_ != nullptr;
    Close();
    path_ = path;
    reader_ = outside::PictureReader::open(path);
    deep_ = reader_ && reader_->streamSampleBits() > 8 && !reader_->streamHdr();
    return reader_ != nullptr;
}

bool TDeepFrames::Deep(const std::string& path) {
    return OpenFor(path) && deep_;
}

// Leaves the reader on the picture on screen at positionHns.
bool TDeepFrames::ReadTo(int64_t positionHns) {
    const int64_t t = positionHns + outside::kSameTimeHns;
    if (lastStart_ >= 0 && lastStart_ <= t && t < lastEnd_) return true; // already there
    const bool readOn = lastStart_ >= 0 && lastStart_ < t && t - lastStart_ < kReadOnWithinHns;
    if (!readOn) {
        lastStart_ = lastEnd_ = -1;
        if (!reader_->seek(positionHns)) return false;
        const auto picture = reader_->next(); // the one on screen at the target
        if (!picture) return false;
        lastStart_ = picture->startHns;
        lastEnd_ = picture->startHns + std::max<int64_t>(picture->durationHns, 1);
        return true;
    }
    while (t >= lastEnd_) {
        const auto picture = reader_->next();
        if (!picture) break; // the last picture stays on screen
        lastStart_ = picture->startHns;
        lastEnd_ = picture->startHns + std::max<int64_t>(picture->durationHns, 1);
    }
    return true;
}

QImage TDeepFrames::FrameAt(const std::string& path, int64_t positionHns) {
    if (!Deep(path) || !ReadTo(positionHns)) return {};
    QImage deep(reader_->width(), reader_->height(), QImage::Format_RGBX64);
    if (deep.isNull()) return {};
    const std::span<uint8_t> bits(deep.bits(), size_t(deep.sizeInBytes()));
    if (!reader_->copyRgb64(bits, deep.bytesPerLine())) return {};
    return deep;
}

} // namespace sp
