#include "app/video_panel.h"

#include "app/panels/icons.h"
#include "app/video_view.h"

#include <QLabel>
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

void TVideoPanel::paintEvent(QPaintEvent*) {
    if (!videoShown_ && placeholder_->isHidden()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x55, 0x5b, 0x61), 1));
    painter.setBrush(QColor(0x20, 0x23, 0x26));
    painter.drawRoundedRect(QRectF(frameRect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

} // namespace sp
