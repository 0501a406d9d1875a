#include "app/panels/intervallo_frame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

namespace sp {

Tintervalloframe::Tintervalloframe(QWidget* parent)
    : QGroupBox(tr("Intervalometer"), parent), value_(new QSpinBox(this)),
      unit_(new QComboBox(this)), precise_(new QCheckBox(tr("Precise"), this)),
      sharpest_(new QCheckBox(tr("Sharpest"), this)), switch_(new QPushButton(this)),
      counter_(new QLabel(this)) {
    setToolTip(tr("Set the values of intervalometer"));
    // It lies over the navigation bar, which must not show through.
    setAutoFillBackground(true);
    value_->setObjectName("RxSpinEdit7");
    value_->setRange(kMinValue, kMaxValue);
    value_->setToolTip(tr("Delay between two snapshots by the intervalometer"));
    unit_->setObjectName("cboxIntervallo");
    unit_->addItems({tr("Frames"), tr("Seconds"), tr("Minutes")});
    unit_->setCurrentIndex(1);
    unit_->setToolTip(tr("Unit to calculate the interval"));
    precise_->setObjectName("cbModePrecision");
    precise_->setChecked(true);
    sharpest_->setObjectName("cbSharpest");
    sharpest_->setToolTip(tr("Take for each shot the sharpest frame near its time"));
    switch_->setObjectName("RxSwitch1");
    switch_->setToolTip(tr("Toggle the intervalometer.\r\nModify it under the Settings tab."));
    // "On" or "Off" only: no wider than that, so that the row fits the narrowest window.
    switch_->setFixedWidth(switch_->fontMetrics().horizontalAdvance(tr("Off")) + 24);
    counter_->setObjectName("chronolab");
    counter_->setToolTip(tr("Number of pictures to grab"));
    QFont big = counter_->font();
    big.setPointSize(16);
    big.setBold(true);
    counter_->setFont(big);
    QPalette palette = counter_->palette();
    palette.setColor(QPalette::WindowText, kCounterColor);
    counter_->setPalette(palette);
    counter_->setText("0");

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(4);
    for (QWidget* w :
         std::initializer_list<QWidget*>{value_, unit_, precise_, sharpest_, switch_, counter_})
        row->addWidget(w);
    row->addStretch();
    setRunning(false);

    connect(value_, &QSpinBox::valueChanged, this, &Tintervalloframe::intervalValueChanged);
    connect(unit_, &QComboBox::currentIndexChanged, this, &Tintervalloframe::unitIndexChanged);
    connect(precise_, &QCheckBox::toggled, this, &Tintervalloframe::preciseToggled);
    connect(sharpest_, &QCheckBox::toggled, this, &Tintervalloframe::sharpestToggled);
    connect(switch_, &QPushButton::clicked, this, &Tintervalloframe::switchClicked);
}

void Tintervalloframe::setIntervalValue(int value) {
    const QSignalBlocker quiet(value_);
    value_->setValue(std::clamp(value, kMinValue, kMaxValue));
}

int Tintervalloframe::intervalValue() const {
    return value_->value();
}

void Tintervalloframe::setUnitIndex(int index) {
    if (index < 0 || index >= unit_->count()) return;
    const QSignalBlocker quiet(unit_);
    unit_->setCurrentIndex(index);
}

int Tintervalloframe::unitIndex() const {
    return unit_->currentIndex();
}

void Tintervalloframe::setPrecise(bool precise) {
    const QSignalBlocker quiet(precise_);
    precise_->setChecked(precise);
}

bool Tintervalloframe::precise() const {
    return precise_->isChecked();
}

void Tintervalloframe::setSharpest(bool sharpest) {
    const QSignalBlocker quiet(sharpest_);
    sharpest_->setChecked(sharpest);
}

bool Tintervalloframe::sharpest() const {
    return sharpest_->isChecked();
}

void Tintervalloframe::setRunning(bool running) {
    running_ = running;
    switch_->setText(running ? tr("On") : tr("Off"));
    value_->setEnabled(!running);
    unit_->setEnabled(!running);
    sharpest_->setEnabled(!running);
}

bool Tintervalloframe::running() const {
    return running_;
}

void Tintervalloframe::setRemainingShots(int64_t shots) {
    counter_->setText(QString::number(shots));
}

QString Tintervalloframe::counterText() const {
    return counter_->text();
}

} // namespace sp
