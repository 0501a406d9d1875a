#include "app/video_view.h"

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
    if (writing_.width() != width || writing_.height() != height)
        writing_ = QImage(width, height, QImage::Format_RGB32);
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
        painter.setRenderHint(QPainter::SmoothPixmapTransform, shown_.size() != size());
        painter.drawImage(rect(), shown_);
    }
    if (fresh && first) emit firstPicturePainted();
}

void TVideoView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TVideoView::contextMenuEvent(QContextMenuEvent* event) {
    emit menuRequested(event->globalPos());
}

} // namespace sp
