#include "app/panels/top_bar.h"

#include "app/panels/eliding_label.h"
#include "ui/text_gauge.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace sp {

namespace {

bool userMovedFocus(const QEvent* event) {
    const auto reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

QFont monospaceDigits(QFont font) {
    font.setFamilies({"DejaVu Sans Mono", "Monospace"});
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace

TTopBar::TTopBar(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    edit_ = new QLineEdit("0:00:00:00", this);
    edit_->setObjectName("CurrentEdit");
    edit_->setFont(monospaceDigits(edit_->font()));
    edit_->setFixedSize(82, kHeight);
    edit_->setAlignment(Qt::AlignCenter);
    edit_->setToolTip("Current timestamp  of the video being played\n"
                      "In hours:minutes:seconds:frames");
    edit_->installEventFilter(this);

    duration_ = new QLabel(this);
    duration_->setObjectName("DureeLab");
    duration_->setFont(monospaceDigits(duration_->font()));
    duration_->setFixedWidth(72);
    duration_->setAlignment(Qt::AlignCenter);

    volume_ = new TTextGauge(this);
    volume_->setObjectName("gaugeVolume");
    volume_->SetGaugeKind(gkNeedle);
    volume_->SetTextKind(tkPercentDone); // "50%"
    volume_->SetAlertValue(0);           // any sound above 0 in the alert colour
    volume_->SetCaption("%d");
    volume_->SetMinValue(0);
    volume_->SetMaxValue(100);
    volume_->setFixedSize(44, kHeight);
    volume_->setToolTip("Volume of the sound channels.\n"
                        "Type+ or - at the numeric keyboard to change it.");

    size_ = new TElidingLabel(Qt::ElideRight, this);
    size_->setObjectName("labTaille");
    size_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont small = size_->font();
    small.setPointSizeF(small.pointSizeF() * 0.82);
    size_->setFont(small);

    row->addWidget(edit_);
    row->addWidget(duration_);
    row->addWidget(volume_);
    row->addWidget(size_, 1);
    connect(edit_, &QLineEdit::returnPressed, this,
            [this] { emit timecodeEntered(edit_->text()); });
}

void TTopBar::setTimecode(const QString& text) {
    if (edit_->text() != text) edit_->setText(text);
}

QString TTopBar::timecode() const {
    return edit_->text();
}
bool TTopBar::timecodeHasFocus() const {
    return edit_->hasFocus();
}

void TTopBar::setDurationText(const QString& text) {
    duration_->setText(text);
}
QString TTopBar::durationText() const {
    return duration_->text();
}
void TTopBar::setDurationHint(const QString& hint) {
    duration_->setToolTip(hint);
}

void TTopBar::setVolumePercent(int percent) {
    volume_->SetProgress(std::clamp(percent, 0, 100));
}
int TTopBar::volumePercent() const {
    return volume_->Progress();
}
void TTopBar::setVolumeVisible(bool visible) {
    volume_->setVisible(visible);
}
bool TTopBar::volumeVisible() const {
    return !volume_->isHidden();
}

void TTopBar::setSizeText(const QString& text) {
    size_->setText(text);
}
QString TTopBar::sizeText() const {
    return size_->text();
}
void TTopBar::setSizeVisible(bool visible) {
    size_->setVisible(visible);
}
bool TTopBar::sizeVisible() const {
    return !size_->isHidden();
}

bool TTopBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_) {
        if (event->type() == QEvent::FocusIn && !entered_) {
            entered_ = true;
            emit timecodeEditEntered();
        } else if (event->type() == QEvent::FocusOut && entered_ && userMovedFocus(event)) {
            entered_ = false;
            emit timecodeEditLeft(edit_->text());
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace sp
