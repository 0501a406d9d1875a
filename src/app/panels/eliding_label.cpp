#include "app/panels/eliding_label.h"

#include <QPainter>

namespace sp {

TElidingLabel::TElidingLabel(Qt::TextElideMode mode, QWidget* parent)
    : QWidget(parent), color_(palette().color(QPalette::WindowText)), mode_(mode) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TElidingLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    updateHint();
    update();
}

void TElidingLabel::setColor(const QColor& color) {
    color_ = color;
    update();
}

void TElidingLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

void TElidingLabel::setHint(const QString& hint) {
    hint_ = hint;
    updateHint();
}

QString TElidingLabel::shownText() const {
    return fontMetrics().elidedText(text_, mode_, width());
}

QSize TElidingLabel::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text_), fontMetrics().height()};
}

QSize TElidingLabel::minimumSizeHint() const {
    return {0, fontMetrics().height()};
}

void TElidingLabel::updateHint() {
    setToolTip(shownText() != text_ ? text_ : hint_);
}

void TElidingLabel::resizeEvent(QResizeEvent*) {
    updateHint();
}

void TElidingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_);
    painter.drawText(rect(), int(alignment_), shownText());
}

} // namespace sp
