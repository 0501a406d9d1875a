// Inlay lines drawn from their pictures look as the text drawn straight into the frame did: the
// border of copies matches the copies drawn one over the other, a wide border is solid up to its
// size, and a line kept from one frame to the next never shows an older text.
#include "filters/inlay_line.h"
#include "filters/inlay_painter.h"

#include "support/gui_application.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace sp {
namespace {

constexpr QRgb kGrey = 0xFF808080;

QImage GreyFrame(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kGrey);
    return image;
}

FrameView ViewOf(QImage& image) {
    return {image.bits(), image.width(), image.height(), image.bytesPerLine(), 32};
}

QFont LineFont(int pixels) {
    TfontRecord record;
    return InlayFont(record, pixels, true);
}

// The largest difference of one colour channel between two pictures of one size.
int LargestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

TEST(InlayLinePicture, BorderOfCopiesMatchesTheCopiesDrawnOneOverTheOther) {
    const QString text = QStringLiteral("14/07/2009 Wg");
    const QColor colour(240, 202, 166);
    for (int size : {1, 2, 5}) {
        const QFont font = LineFont(30);
        const QFontMetrics metrics(font);
        const std::vector<Offset> offsets = BorderOffsets(size);
        const Point at{40, 20};

        QImage direct = GreyFrame(400, 80);
        {
            QPainter painter(&direct);
            painter.setFont(font);
            const int baseline = at.y + metrics.ascent();
            painter.setPen(Qt::black);
            for (const Offset& o : offsets)
                painter.drawText(at.x + o.dx, baseline + o.dy, text);
            painter.setPen(colour);
            painter.drawText(at.x, baseline, text);
        }
        QImage blended = GreyFrame(400, 80);
        InlayLinePicture(text, font, metrics.ascent(), size, offsets)
            .BlendInto(ViewOf(blended), at, colour);
        // Rounding of each copy's blend aside, the same pixels.
        EXPECT_LE(LargestDifference(direct, blended), 6) << "border " << size;
    }
}

TEST(InlayLinePicture, WideBorderIsSolidUpToItsSize) {
    const QFont font = LineFont(40);
    const int size = 12;
    const InlayLinePicture line(QStringLiteral("I"), font, QFontMetrics(font).ascent(), size, {});
    ASSERT_FALSE(line.Empty());
    // Along the row through the middle of the stroke: full border from the stem out to `size`
    // pixels beyond its last covered pixel, nothing past one more pixel.
    const int row = line.Height() / 2;
    int first = -1, last = -1;
    for (int x = 0; x < line.Width(); ++x)
        if (line.TextAt(x, row) > 0) {
            if (first < 0) first = x;
            last = x;
        }
    ASSERT_GE(first, 0);
    for (int x = first - size; x <= last + size; ++x)
        EXPECT_EQ(line.BorderAt(x, row), 255) << x;
    for (int x = 0; x < first - size - 1; ++x)
        EXPECT_EQ(line.BorderAt(x, row), 0) << x;
    for (int x = last + size + 2; x < line.Width(); ++x)
        EXPECT_EQ(line.BorderAt(x, row), 0) << x;
}

TEST(InlayLinePicture, LinesHalfOutsideTheFrameAreClipped) {
    const QFont font = LineFont(30);
    const InlayLinePicture line(QStringLiteral("clipped text"), font, QFontMetrics(font).ascent(),
                                3, BorderOffsets(3));
    // Rows of 60 pixels with 4 more pixels of padding after each, which must stay as they are.
    std::vector<uint32_t> pixels(std::size_t(64) * 40, 0xDEADBEEF);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            pixels[std::size_t(y) * 64 + x] = kGrey;
    const FrameView frame{reinterpret_cast<uint8_t*>(pixels.data()), 60, 40, 64 * 4, 32};
    for (Point at : {Point{-50, -20}, Point{40, 25}, Point{-500, 0}, Point{0, 500}})
        line.BlendInto(frame, at, Qt::white);
    int changed = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x)
            changed += pixels[std::size_t(y) * 64 + x] != kGrey;
        for (int x = 60; x < 64; ++x)
            ASSERT_EQ(pixels[std::size_t(y) * 64 + x], 0xDEADBEEF);
    }
    EXPECT_GT(changed, 0);
}

TEST(InlayLinePicture, KeptLinesFollowTheirText) {
    TincrustRec record;
    record.Alignement = 0;
    record.Xpos = 100;
    InlayPainter kept;
    kept.ApplySettings(record, 720);
    kept.Prepare({QStringLiteral("first 111"), QStringLiteral("0:00:01:00")});
    QImage a = GreyFrame(720, 576);
    kept.Draw(ViewOf(a), {QStringLiteral("first 111"), QStringLiteral("0:00:01:00")});
    QImage b = GreyFrame(720, 576);
    kept.Draw(ViewOf(b), {QStringLiteral("first 111"), QStringLiteral("0:00:01:01")});

    for (const QImage* image : {&a, &b}) {
        InlayPainter fresh;
        fresh.ApplySettings(record, 720);
        QImage expected = GreyFrame(720, 576);
        fresh.Draw(ViewOf(expected),
                   {QStringLiteral("first 111"),
                    image == &a ? QStringLiteral("0:00:01:00") : QStringLiteral("0:00:01:01")});
        EXPECT_EQ(LargestDifference(*image, expected), 0);
    }
    EXPECT_GT(LargestDifference(a, b), 0);

    // New settings on the same painter draw with them, not with the pictures kept before.
    record.FontRec.Color = 0x0000FF;
    record.BorderSize = 0;
    kept.ApplySettings(record, 720);
    QImage c = GreyFrame(720, 576);
    kept.Draw(ViewOf(c), {QStringLiteral("first 111"), QStringLiteral("0:00:01:01")});
    bool red = false, black = false;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            red |= c.pixel(x, y) == qRgb(255, 0, 0);
            black |= c.pixel(x, y) == qRgb(0, 0, 0);
        }
    EXPECT_TRUE(red);
    EXPECT_FALSE(black);
}

} // namespace
} // namespace sp
