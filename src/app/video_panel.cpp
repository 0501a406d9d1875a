#include "app/video_panel.h"

#include "app/panels/icons.h"
#include "app/video_view.h"

#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QToolButton>

namespace sp {

TVideoPanel::TVideoPanel(QWidget* parent) : QWidget(parent) {
    // Opaque: brought to the front (the reduced window), it hides the window's other pieces.
    setAutoFillBackground(true);
    view_ = new TVideoView(this);
    placeholder_ = new QLabel(this);
    placeholder_->setPixmap(placeholderPicture());
    placeholder_->adjustSize();
    corner_ = new QToolButton(this);
    corner_->setObjectName("InlayCorner");
    corner_->setFixedSize(kCornerSize, kCornerSize);
    corner_->setCursor(Qt::PointingHandCursor);
    corner_->setToolTip("Click on this corner to display or hide\n"
                        "the sliders for setting the position of inlay.");
    corner_->setStyleSheet("QToolButton { background: #8a9199; border: 1px solid #d3d7cf; }"
                           "QToolButton:hover { background: #3465a4; }");
    connect(corner_, &QToolButton::clicked, this, &TVideoPanel::cornerClicked);
    setVideoShown(false);
}

void TVideoPanel::setVideoRect(const QRect& rect) {
    videoRect_ = rect;
    view_->setGeometry(rect);
    corner_->move(rect.x() + rect.width() - kCornerSize / 2,
                  rect.y() + rect.height() - kCornerSize / 2);
    update();
}

void TVideoPanel::setVideoShown(bool shown) {
    videoShown_ = shown;
    view_->setVisible(shown);
    corner_->setVisible(shown && cornerWanted_);
    placeholder_->setVisible(!shown);
    update();
}

void TVideoPanel::setCornerVisible(bool visible) {
    cornerWanted_ = visible;
    corner_->setVisible(videoShown_ && visible);
}

QRect TVideoPanel::placeholderRect() const {
    return placeholder_->geometry();
}

QRect TVideoPanel::frameRect() const {
    const QRect inner = videoShown_ ? videoRect_ : placeholder_->geometry();
    return inner.adjusted(-kFrameMargin, -kFrameMargin, kFrameMargin, kFrameMargin);
}

void TVideoPanel::placePlaceholder() {
    const QSize size = placeholder_->size();
    placeholder_->move((width() - size.width()) / 2, (height() - size.height()) / 2);
}

void TVideoPanel::resizeEvent(QResizeEvent*) {
    placePlaceholder();
}

void TVideoPanel::paintEvent(QPaintEvent* event) {
    if (!videoShown_ && placeholder_->isHidden()) return;
    // The labels and bars over the panel repaint small pieces of it many times a second (at
    // every shot of a run): a piece outside the frame is background only; any other piece is
    // copied from the frame drawn once for the panel's size (an antialiased outline costs far
    // more than the few pixels it touches).
    const QRect frame = frameRect();
    const QRect exposed = event->region().boundingRect() & rect();
    if (!exposed.intersects(frame)) return;
    const QColor background = palette().color(backgroundRole());
    const qreal ratio = devicePixelRatioF();
    if (frameDrawn_.isNull() || frameDrawnFor_ != frame || frameDrawn_.size() != size() * ratio ||
        frameBackground_ != background) {
        frameDrawn_ = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        frameDrawn_.setDevicePixelRatio(ratio);
        frameDrawn_.fill(background);
        QPainter cache(&frameDrawn_);
        cache.setRenderHint(QPainter::Antialiasing);
        cache.setPen(QPen(QColor(0x55, 0x5b, 0x61), 1));
        cache.setBrush(QColor(0x20, 0x23, 0x26));
        cache.drawRoundedRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        frameDrawnFor_ = frame;
        frameBackground_ = background;
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(exposed, frameDrawn_,
                      QRectF(exposed.topLeft() * ratio, QSizeF(exposed.size()) * ratio));
}

} // namespace sp
