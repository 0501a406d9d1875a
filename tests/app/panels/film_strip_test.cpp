// The filmstrip widget: how many frames fit, where each lies, and the mouse as offsets from the
// current frame.

#include "app/panels/film_strip.h"
#include "support/widget_application.h"

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(FilmStrip, ShowsAtLeastThreeFramesEachSideAndMoreWhenWider) {
    TFilmStrip strip;
    strip.setPictureAspect(16.0 / 9.0);
    strip.resize(300, TFilmStrip::kHeight); // narrow: the frames shrink, three a side stay
    EXPECT_EQ(strip.sideCount(), TFilmStrip::kMinSide);
    EXPECT_GE(strip.cellRect(-3).left(), 0);
    EXPECT_LE(strip.cellRect(3).right(), 300);
    strip.resize(1200, TFilmStrip::kHeight);
    EXPECT_GT(strip.sideCount(), TFilmStrip::kMinSide);
    const int side = strip.sideCount();
    EXPECT_GE(strip.cellRect(-side).left(), 0);
    EXPECT_LE(strip.cellRect(side).right(), 1200);
    // The current frame in the middle; frames do not overlap.
    EXPECT_NEAR(strip.cellRect(0).center().x(), 600, 1);
    EXPECT_LT(strip.cellRect(0).right(), strip.cellRect(1).left());
}

TEST(FilmStrip, ClicksAndTheWheelComeAsOffsetsFromTheCurrentFrame) {
    TFilmStrip strip;
    strip.resize(800, TFilmStrip::kHeight);
    QSignalSpy clicks(&strip, &TFilmStrip::frameClicked);
    QSignalSpy doubles(&strip, &TFilmStrip::frameDoubleClicked);
    QSignalSpy wheel(&strip, &TFilmStrip::wheelSteps);
    QTest::mouseClick(&strip, Qt::LeftButton, {}, strip.cellRect(-2).center());
    QTest::mouseClick(&strip, Qt::LeftButton, {}, strip.cellRect(0).center());
    QTest::mouseClick(&strip, Qt::RightButton, {}, strip.cellRect(1).center()); // ignored
    QTest::mouseDClick(&strip, Qt::LeftButton, {}, strip.cellRect(3).center());
    ASSERT_GE(clicks.size(), 2);
    EXPECT_EQ(clicks[0][0].toInt(), -2);
    EXPECT_EQ(clicks[1][0].toInt(), 0);
    ASSERT_EQ(doubles.size(), 1);
    EXPECT_EQ(doubles[0][0].toInt(), 3);
    // Down a notch is a step forward; two half notches up are a step back.
    const QPointF at = strip.cellRect(0).center();
    for (int delta : {-120, 60, 60}) {
        QWheelEvent event(at, strip.mapToGlobal(at), {}, {0, delta}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&strip, &event);
    }
    ASSERT_EQ(wheel.size(), 2);
    EXPECT_EQ(wheel[0][0].toInt(), 1);
    EXPECT_EQ(wheel[1][0].toInt(), -1);
    // Cells given are kept; missing ones paint as empty frames.
    strip.setCells({QImage(8, 8, QImage::Format_RGB32), QImage()});
    EXPECT_EQ(strip.cells().size(), 2u);
    EXPECT_FALSE(strip.grab().isNull()); // paints without pictures for every frame
}

} // namespace
} // namespace sp
