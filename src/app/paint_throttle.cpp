#include "app/paint_throttle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace sp {

PaintThrottle::PaintThrottle(QWidget* window, int intervalMs)
    : QObject(window), window_(window), intervalMs_(intervalMs) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { passOn(); });
}

void PaintThrottle::setOn(bool on) {
    if (on == on_) return;
    on_ = on;
    if (on) {
        held_ = 0;
        sinceLastPaint_.start();
        window_->installEventFilter(this);
        return;
    }
    window_->removeEventFilter(this);
    timer_.stop();
    if (holding_) passOn();
}

bool PaintThrottle::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::UpdateRequest || passing_) return false;
    if (!holding_ && sinceLastPaint_.elapsed() >= intervalMs_) {
        sinceLastPaint_.restart();
        return false; // painted now
    }
    ++held_;
    if (!holding_) {
        holding_ = true;
        timer_.start(int(std::max<qint64>(1, intervalMs_ - sinceLastPaint_.elapsed())));
    }
    return true;
}

// The request the window did not get: its repaint manager still holds every dirty region.
void PaintThrottle::passOn() {
    holding_ = false;
    sinceLastPaint_.restart();
    passing_ = true;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window_, &request);
    passing_ = false;
}

} // namespace sp
