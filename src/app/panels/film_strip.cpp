#include "app/panels/film_strip.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <climits>

namespace sp {

namespace {

constexpr int kMargin = 3;
constexpr int kGap = 4;
const QColor kBackground(0x30, 0x30, 0x30);
const QColor kEmptyFrame(0x80, 0x80, 0x80);
const QColor kCurrentMark(0xFF, 0xC0, 0x20);

} // namespace

TFilmStrip::TFilmStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("FilmStrip");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip("Click: go to that frame. Double click: grab it. Wheel: step frame by frame.");
}

int TFilmStrip::cellWidth() const {
    const int natural = std::max(8, int((kHeight - 2 * kMargin) * aspect_ + 0.5));
    const int cells = 2 * kMinSide + 1;
    const int fitting = (width() - kGap) / cells - kGap; // the fewest frames must fit
    return std::max(8, std::min(natural, fitting));
}

int TFilmStrip::sideCount() const {
    const int cells = (width() - kGap) / (cellWidth() + kGap);
    return std::max(kMinSide, (cells - 1) / 2);
}

QRect TFilmStrip::cellRect(int offset) const {
    const int w = cellWidth();
    const int centreLeft = (width() - w) / 2;
    return QRect(centreLeft + offset * (w + kGap), kMargin, w, height() - 2 * kMargin);
}

int TFilmStrip::offsetAt(QPoint point) const {
    for (int offset = -side_; offset <= side_; ++offset)
        if (cellRect(offset).contains(point)) return offset;
    return INT_MIN;
}

void TFilmStrip::setCells(std::vector<QImage> pictures) {
    cells_ = std::move(pictures);
    update();
}

void TFilmStrip::setPictureAspect(double aspect) {
    if (aspect <= 0 || aspect == aspect_) return;
    aspect_ = aspect;
    resizeEvent(nullptr);
    update();
}

void TFilmStrip::setFlips(bool horizontal, bool vertical) {
    flipHorizontal_ = horizontal;
    flipVertical_ = vertical;
    update();
}

void TFilmStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int offset = -side_; offset <= side_; ++offset) {
        const QRect cell = cellRect(offset);
        const size_t index = size_t(offset + side_);
        const QImage* picture = index < cells_.size() ? &cells_[index] : nullptr;
        if (picture && !picture->isNull()) {
            const bool flipped = flipHorizontal_ || flipVertical_;
            painter.drawImage(cell, flipped ? picture->mirrored(flipHorizontal_, flipVertical_)
                                            : *picture);
        } else {
            painter.setPen(kEmptyFrame);
            painter.drawRect(cell.adjusted(0, 0, -1, -1));
        }
        if (offset == 0) {
            painter.setPen(QPen(kCurrentMark, 2));
            painter.drawRect(cell.adjusted(-1, -1, 0, 0));
        }
    }
}

void TFilmStrip::mousePressEvent(QMouseEvent* event) {
    const int offset = offsetAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && offset != INT_MIN) emit frameClicked(offset);
}

void TFilmStrip::mouseDoubleClickEvent(QMouseEvent* event) {
    const int offset = offsetAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && offset != INT_MIN) emit frameDoubleClicked(offset);
}

void TFilmStrip::wheelEvent(QWheelEvent* event) {
    // One step a notch (120 eighths of a degree); a fine wheel adds up to notches.
    wheelRemainder_ -= event->angleDelta().y();
    const int steps = wheelRemainder_ / 120;
    wheelRemainder_ -= steps * 120;
    if (steps != 0) emit wheelSteps(steps);
    event->accept();
}

void TFilmStrip::resizeEvent(QResizeEvent*) {
    const int side = sideCount();
    if (side == side_) return;
    side_ = side;
    emit sideCountChanged(side);
}

} // namespace sp
