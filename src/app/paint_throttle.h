#pragma once
// PaintThrottle: while it is on, a window is painted at most once per interval. The window's
// paint requests (QEvent::UpdateRequest) that come sooner are held and one is passed on when
// the interval is over, so whatever was marked dirty meanwhile is painted then, once. Turning
// it off passes a held request on at once.
//
// For intervalometer runs, which change the panels at every shot, hundreds of times a second,
// faster than anyone can read them. Owned by the window (a child QObject); user-interface
// thread only.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

namespace sp {

class PaintThrottle final : public QObject {
public:
    PaintThrottle(QWidget* window, int intervalMs);

    void setOn(bool on);
    bool isOn() const { return on_; }
    // Paint requests held since the throttle was turned on (for tests and diagnostics).
    int heldRequests() const { return held_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void passOn();

    QWidget* window_;
    const int intervalMs_;
    QTimer timer_;
    QElapsedTimer sinceLastPaint_;
    bool on_ = false;
    bool holding_ = false; // a request is held until the timer fires
    bool passing_ = false; // our own request is on its way to the window
    int held_ = 0;
};

} // namespace sp
