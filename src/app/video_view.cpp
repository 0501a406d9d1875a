#include "app/video_view.h"

#include "platform/system/picture_image.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace sp {

namespace {

// Copies the rows, making every pixel opaque: the fourth byte of a renderer's pixel is
// undefined, and Qt's RGB32 wants it at 0xFF wherever the picture is blended or grabbed.
void copyOpaque(const uint8_t* pixels, int strideBytes, QImage& into) {
    const int width = into.width();
    for (int y = 0; y < into.height(); ++y) {
        const auto* from = pixels + size_t(y) * size_t(strideBytes);
        auto* to = reinterpret_cast<uint32_t*>(into.scanLine(y));
        for (int x = 0; x < width; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, from + size_t(x) * 4, 4);
            to[x] = pixel | 0xFF000000u;
        }
    }
}

// `to` := `from` at half its width and height (rounded down), each pixel the mean of four.
void halve(const QImage& from, QImage& to) {
    const int width = from.width() / 2;
    const int height = from.height() / 2;
    if (to.width() != width || to.height() != height)
        to = QImage(width, height, QImage::Format_RGB32);
    if (to.isNull()) return;
    // Two channels at a time in 16-bit lanes: the sum of four fits, and +2 rounds the mean.
    const auto mean4 = [](uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
        constexpr uint32_t kEven = 0x00FF00FFu;
        const uint32_t even = ((a & kEven) + (b & kEven) + (c & kEven) + (d & kEven) + 0x00020002u);
        const uint32_t odd = (((a >> 8) & kEven) + ((b >> 8) & kEven) + ((c >> 8) & kEven) +
                              ((d >> 8) & kEven) + 0x00020002u);
        return ((even >> 2) & kEven) | (((odd >> 2) & kEven) << 8);
    };
    for (int y = 0; y < height; ++y) {
        const auto* top = reinterpret_cast<const uint32_t*>(from.constScanLine(2 * y));
        const auto* bottom = reinterpret_cast<const uint32_t*>(from.constScanLine(2 * y + 1));
        auto* out = reinterpret_cast<uint32_t*>(to.scanLine(y));
        for (int x = 0; x < width; ++x)
            out[x] = mean4(top[2 * x], top[2 * x + 1], bottom[2 * x], bottom[2 * x + 1]);
    }
}

} // namespace

TVideoView::TVideoView(QWidget* parent) : QWidget(parent) {
    setObjectName("VideoWindow");
    // Every pixel is painted each time: no background fill, no transparency.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    clock_.start();
}

TVideoView::~TVideoView() = default;

void TVideoView::present(const uint8_t* pixels, int width, int height, int strideBytes) {
    if (!pixels || width <= 0 || height <= 0 || strideBytes < width * 4) return;
    if (const int64_t intervalNs = pictureIntervalNs_.load(std::memory_order_relaxed)) {
        const int64_t nowNs = clock_.nsecsElapsed();
        if (lastTakenNs_ != INT64_MIN && nowNs - lastTakenNs_ < intervalNs) {
            const std::lock_guard lock(pictureMutex_);
            ++stats_.skipped;
            return;
        }
        lastTakenNs_ = nowNs;
    } else {
        lastTakenNs_ = INT64_MIN;
    }
    if (writing_.width() != width || writing_.height() != height) {
        // A ready picture already painted is free: taking its buffer spares a third one.
        const std::lock_guard lock(pictureMutex_);
        if (!readyIsNew_ && ready_.width() == width && ready_.height() == height)
            std::swap(writing_, ready_);
    }
    if (writing_.width() != width || writing_.height() != height)
        writing_ = NewPictureImage(width, height);
    if (writing_.isNull()) return; // out of memory: skip this picture
    copyOpaque(pixels, strideBytes, writing_);
    {
        const std::lock_guard lock(pictureMutex_);
        std::swap(writing_, ready_);
        if (readyIsNew_) ++stats_.replaced;
        readyIsNew_ = true;
        readyArrivalNs_ = clock_.nsecsElapsed();
        ++stats_.presented;
    }
    if (!repaintAsked_.exchange(true))
        QMetaObject::invokeMethod(this, &TVideoView::pictureArrived, Qt::QueuedConnection);
}

void TVideoView::pictureArrived() {
    repaintAsked_ = false;
    update();
}

void TVideoView::clearPicture() {
    {
        const std::lock_guard lock(pictureMutex_);
        ready_ = QImage();
        readyIsNew_ = false;
    }
    shown_ = QImage();
    halvesStale_ = true;
    update();
}

bool TVideoView::hasPicture() const {
    const std::lock_guard lock(pictureMutex_);
    return !shown_.isNull() || readyIsNew_;
}

QImage TVideoView::shownPicture() const {
    return shown_.copy();
}

TVideoView::Statistics TVideoView::statistics() const {
    const std::lock_guard lock(pictureMutex_);
    return stats_;
}

void TVideoView::resetStatistics() {
    const std::lock_guard lock(pictureMutex_);
    stats_ = Statistics{};
    resetNs_ = clock_.nsecsElapsed();
}

void TVideoView::paintEvent(QPaintEvent*) {
    bool fresh = false;
    bool first = false;
    {
        const std::lock_guard lock(pictureMutex_);
        if (readyIsNew_) {
            std::swap(ready_, shown_);
            readyIsNew_ = false;
            fresh = true;
            halvesStale_ = true;
            const int64_t nowNs = clock_.nsecsElapsed();
            if (nowNs - readyArrivalNs_ > int64_t(latenessLimitMs_) * 1'000'000) ++stats_.late;
            first = stats_.painted++ == 0;
            if (first) stats_.firstPaintMs = (nowNs - resetNs_) / 1'000'000;
        }
    }
    QPainter painter(this);
    if (shown_.isNull()) {
        painter.fillRect(rect(), Qt::black);
    } else {
        const QImage& picture = drawable();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, picture.size() != size());
        painter.drawImage(rect(), picture);
    }
    if (fresh && trace_) trace_->Painted();
    if (fresh && first) emit firstPicturePainted();
}

const QImage& TVideoView::drawable() {
    if (halvesStale_ || halvedFor_ != size()) {
        halvings_ = 0;
        const QImage* source = &shown_;
        while (halvings_ < int(halves_.size()) && source->width() >= 2 * width() &&
               source->height() >= 2 * height() && source->width() >= 2 && source->height() >= 2) {
            halve(*source, halves_[halvings_]);
            if (halves_[halvings_].isNull()) break; // out of memory: draw from the larger one
            source = &halves_[halvings_++];
        }
        halvedFor_ = size();
        halvesStale_ = false;
    }
    return halvings_ ? halves_[halvings_ - 1] : shown_;
}

void TVideoView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TVideoView::contextMenuEvent(QContextMenuEvent* event) {
    emit menuRequested(event->globalPos());
}

} // namespace sp
