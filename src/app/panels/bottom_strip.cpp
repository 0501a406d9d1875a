#include "app/panels/bottom_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

namespace sp {

TBottomStrip::TBottomStrip(QWidget* parent) : QWidget(parent) {
    setFixedHeight(kHeight);
    setCursor(Qt::PointingHandCursor);
    setToolTip("Next snapshot name.\nClick to open the parent folder.");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 0, 8, 0);
    name_ = new QLabel(this);
    name_->setObjectName("ImageLab");
    name_->setTextFormat(Qt::PlainText);
    name_->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(name_, 1);
    setNextImageName(QString(), false);
}

void TBottomStrip::setNextImageName(const QString& name, bool exists) {
    name_->setText(name);
    QPalette palette = name_->palette();
    palette.setColor(QPalette::WindowText, exists ? kExistsColor : kNewColor);
    name_->setPalette(palette);
}

QString TBottomStrip::nextImageName() const {
    return name_->text();
}
QColor TBottomStrip::nextImageNameColor() const {
    return name_->palette().color(QPalette::WindowText);
}
void TBottomStrip::setNextImageNameVisible(bool visible) {
    name_->setVisible(visible);
}
bool TBottomStrip::nextImageNameVisible() const {
    return !name_->isHidden();
}

void TBottomStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace sp
