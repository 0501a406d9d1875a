// A window under the paint throttle: updates asked for at every turn of the event loop are
// painted a few times a second, the last change is painted when the throttle goes off, and the
// window paints at every update again afterwards.

#include "app/paint_throttle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace sp {
namespace {

class CountingWindow final : public QWidget {
public:
    int paints = 0;
    int painted = -1; // the value of `shown` at the last paint
    int shown = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        painted = shown;
    }
};

// Asks for a repaint with a new value at every turn of the loop for `ms`.
void ChangeFor(CountingWindow& window, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        ++window.shown;
        window.update();
        QCoreApplication::processEvents();
    }
}

void Settle(CountingWindow& window) {
    for (int i = 0; i < 20 && window.painted != window.shown; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(PaintThrottle, PaintsAFewTimesASecondAndTheLastChangeWhenTurnedOff) {
    CountingWindow window;
    window.resize(120, 80);
    window.show();
    Settle(window);
    PaintThrottle throttle(&window, 40);

    throttle.setOn(true);
    window.paints = 0;
    ChangeFor(window, 400);
    const int throttled = window.paints;
    EXPECT_GE(throttled, 3); // still visible on the way
    EXPECT_LE(throttled, 400 / 40 + 2);
    EXPECT_GT(throttle.heldRequests(), 0);
    // Turned off, what changed since the last paint is painted at once.
    ++window.shown;
    window.update();
    throttle.setOn(false);
    Settle(window);
    EXPECT_EQ(window.painted, window.shown);

    // Off, the window follows every update as before (far more than under the throttle).
    window.paints = 0;
    ChangeFor(window, 400);
    Settle(window);
    EXPECT_GT(window.paints, 3 * throttled);
    EXPECT_EQ(window.painted, window.shown);
}

} // namespace
} // namespace sp
