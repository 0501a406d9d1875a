// The video panel's dark frame: its fill, outline and rounded corners, and a repaint of any
// piece of the panel (outside the frame, inside it, across its border) gives the pixels a whole
// repaint gives there, also after the video window moves.

#include "app/video_panel.h"

#include <QImage>
#include <QRegion>

#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(VideoPanelPaint, APieceRepaintedAloneLooksAsInTheWholePanel) {
    TVideoPanel panel;
    panel.resize(400, 300);
    panel.setVideoShown(true);
    panel.setVideoRect(QRect(40, 30, 320, 240)); // frame: (28, 18) to (371, 281)
    const auto flags = QWidget::RenderFlags(QWidget::DrawWindowBackground);
    QImage whole(panel.size(), QImage::Format_ARGB32_Premultiplied);
    whole.fill(Qt::magenta);
    panel.render(&whole, QPoint(), QRegion(panel.rect()), flags);
    ASSERT_EQ(whole.pixel(200, 150), qRgb(0x20, 0x23, 0x26)); // inside the frame
    const QRgb background = panel.palette().color(panel.backgroundRole()).rgb();
    ASSERT_EQ(whole.pixel(5, 5), background);
    ASSERT_EQ(whole.pixel(28, 150), qRgb(0x55, 0x5b, 0x61));  // the outline, left
    ASSERT_EQ(whole.pixel(200, 281), qRgb(0x55, 0x5b, 0x61)); // and bottom
    ASSERT_EQ(whole.pixel(28, 18), background);               // the rounded corner

    const QRect pieces[] = {
        {0, 0, 25, 15},     // background only
        {100, 80, 60, 40},  // inside the border
        {20, 10, 30, 30},   // a rounded corner
        {150, 275, 80, 20}, // across the bottom edge, where the bars lie
        {36, 26, 20, 200},  // just inside the border on the left
        {29, 19, 8, 8},     // inside the frame's corner, outside its curve
    };
    auto expectPiecesAsWhole = [&] {
        for (const QRect& piece : pieces) {
            QImage part(panel.size(), QImage::Format_ARGB32_Premultiplied);
            part.fill(Qt::magenta);
            panel.render(&part, piece.topLeft(), QRegion(piece), flags);
            for (int y = piece.top(); y <= piece.bottom(); ++y)
                for (int x = piece.left(); x <= piece.right(); ++x)
                    ASSERT_EQ(part.pixel(x, y), whole.pixel(x, y))
                        << "piece " << piece.x() << "," << piece.y() << " at " << x << "," << y;
        }
    };
    expectPiecesAsWhole();
    // Moved: the frame is drawn anew, not copied from where it was.
    panel.setVideoRect(QRect(60, 40, 300, 200));
    whole.fill(Qt::magenta);
    panel.render(&whole, QPoint(), QRegion(panel.rect()), flags);
    EXPECT_EQ(whole.pixel(48, 150), qRgb(0x55, 0x5b, 0x61));
    EXPECT_EQ(whole.pixel(28, 150), background);
    expectPiecesAsWhole();
}

} // namespace
} // namespace sp
