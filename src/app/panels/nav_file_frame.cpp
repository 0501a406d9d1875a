#include "app/panels/nav_file_frame.h"

#include "app/panels/action_binding.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace sp {

namespace {

// Where a press at `x` puts the thumb's centre, as a slider value.
int valueAt(const QSlider& slider, int x) {
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    const QRect groove = slider.style()->subControlRect(QStyle::CC_Slider, &option,
                                                        QStyle::SC_SliderGroove, &slider);
    const QRect handle = slider.style()->subControlRect(QStyle::CC_Slider, &option,
                                                        QStyle::SC_SliderHandle, &slider);
    const int span = groove.width() - handle.width();
    const int offset = x - groove.x() - handle.width() / 2;
    return QStyle::sliderValueFromPosition(slider.minimum(), slider.maximum(), offset, span);
}

bool onHandle(const QSlider& slider, const QPoint& point) {
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    return slider.style()->hitTestComplexControl(QStyle::CC_Slider, &option, point, &slider) ==
           QStyle::SC_SliderHandle;
}

} // namespace

Tnav_fileframe::Tnav_fileframe(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 2, 4, 0);
    column->setSpacing(0);

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("tb");
    slider_->setRange(0, kSliderMaximum);
    slider_->setSingleStep(1);
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->installEventFilter(this);
    column->addWidget(slider_);

    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    row->addStretch(1);
    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        const bool play = i == kPlayButton;
        button->setFixedSize(play ? 40 : 30, 28);
        button->setIconSize(play ? QSize(24, 24) : QSize(18, 18));
        button->hide();
        buttons_[i] = button;
        row->addWidget(button);
    }
    row->addStretch(1);
    column->addLayout(row);
    connect(slider_, &QSlider::sliderMoved, this, &Tnav_fileframe::sliderMoved);
}

void Tnav_fileframe::setActions(const std::array<QAction*, kButtonCount>& actions) {
    for (int i = 0; i < kButtonCount; ++i) {
        QToolButton* button = buttons_[i];
        if (!actions[i]) {
            button->hide();
            continue;
        }
        showActionOnButton(*button, *actions[i]);
        if (i == kPlayButton)
            connect(actions[i], &QAction::changed, this, &Tnav_fileframe::applyPlayIcon);
    }
    applyPlayIcon();
}

void Tnav_fileframe::setPlayButtonIcon(const QIcon& icon) {
    playIcon_ = icon;
    applyPlayIcon();
}

void Tnav_fileframe::applyPlayIcon() {
    QToolButton* play = buttons_[kPlayButton];
    if (!playIcon_.isNull())
        play->setIcon(playIcon_);
    else if (play->defaultAction())
        play->setIcon(play->defaultAction()->icon());
}

void Tnav_fileframe::setSliderPosition(int value) {
    if (!held_) slider_->setValue(std::clamp(value, 0, kSliderMaximum));
}

int Tnav_fileframe::sliderPosition() const {
    return slider_->value();
}

bool Tnav_fileframe::eventFilter(QObject* watched, QEvent* event) {
    if (watched == slider_ && handleSliderMouse(event)) return true;
    return QWidget::eventFilter(watched, event);
}

// True when the event is used up here.
bool Tnav_fileframe::handleSliderMouse(QEvent* event) {
    switch (event->type()) {
    case QEvent::Wheel:
        return true;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return true;
        held_ = true;
        emit sliderPressed();
        const QPoint at = mouse->position().toPoint();
        if (!onHandle(*slider_, at)) {
            // Bring the thumb under the mouse; the slider then drags it from there.
            slider_->setValue(valueAt(*slider_, at.x()));
            emit sliderMoved(slider_->value());
        }
        return false;
    }
    case QEvent::MouseButtonRelease: {
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton || !held_) return true;
        slider_->event(event); // ends the drag first, so the value is final
        held_ = false;
        emit sliderReleased(slider_->value());
        return true;
    }
    default:
        return false;
    }
}

} // namespace sp
