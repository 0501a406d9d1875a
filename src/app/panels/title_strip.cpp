#include "app/panels/title_strip.h"

#include "app/panels/eliding_label.h"

#include <QLabel>
#include <QMouseEvent>

namespace sp {

namespace {

QLabel* sideFileLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.75);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet("color: #ffffff; background: #3d7ea6; border-radius: 3px;");
    label->setToolTip(QStringLiteral("A .%1 file lies beside the video.").arg(text));
    // Clicks go through to the strip.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->hide();
    return label;
}

} // namespace

TTitleStrip::TTitleStrip(QWidget* parent) : QWidget(parent) {
    setFixedHeight(kHeight);
    setCursor(Qt::PointingHandCursor);
    file_ = new TElidingLabel(Qt::ElideMiddle, this);
    file_->setObjectName("EnCoursLab");
    QFont font = file_->font();
    font.setBold(true);
    file_->setFont(font);
    file_->setAttribute(Qt::WA_TransparentForMouseEvents);
    scn_ = sideFileLabel("scn", this);
    srt_ = sideFileLabel("srt", this);
    modd_ = sideFileLabel("modd", this);
}

void TTitleStrip::setFileText(const QString& text, const QColor& color) {
    file_->setText(text);
    file_->setColor(color);
}

QString TTitleStrip::fileText() const {
    return file_->text();
}
QColor TTitleStrip::fileColor() const {
    return file_->color();
}
void TTitleStrip::setFileHint(const QString& hint) {
    setToolTip(hint);
    file_->setHint(hint);
}

QLabel* TTitleStrip::indicator(SideFile which) const {
    switch (which) {
    case Scn:
        return scn_;
    case Srt:
        return srt_;
    case Modd:
        return modd_;
    }
    return scn_;
}

void TTitleStrip::setSideFileShown(SideFile which, bool shown) {
    indicator(which)->setVisible(shown);
}
bool TTitleStrip::sideFileShown(SideFile which) const {
    return !indicator(which)->isHidden();
}

void TTitleStrip::hideSideFiles() {
    for (QLabel* label : {scn_, srt_, modd_})
        label->hide();
}

void TTitleStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TTitleStrip::resizeEvent(QResizeEvent*) {
    const int w = width();
    // Each tag starts where the rules place the indicator and leaves a gap before the next.
    const int tagTop = (kHeight - 14) / 2;
    modd_->setGeometry(w - 80, tagTop, 30, 14);
    srt_->setGeometry(w - 48, tagTop, 16, 14);
    scn_->setGeometry(w - 30, tagTop, 18, 14);
    file_->setGeometry(8, 0, std::max(0, w - 80 - 16), kHeight);
}

} // namespace sp
