#include "ui/text_gauge.h"

#include "ui_pictures.h"
#include "support/widget_application.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <stdexcept>

namespace sp {
namespace {

const QColor kFore(0xC0, 0xDC, 0xC0);
const QColor kAlert(0xEE, 0xA3, 0xA2);

QColor pixel(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

int countInRow(const QImage& image, int y, const QColor& color) {
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += pixel(image, x, y) == color;
    return n;
}

bool contains(const QImage& image, const QColor& color) {
    for (int y = 0; y < image.height(); ++y)
        if (countInRow(image, y, color) > 0) return true;
    return false;
}

TEST(TextGauge, StartsWithItsDocumentedProperties) {
    TTextGauge g;
    EXPECT_EQ(g.size(), QSize(100, 100));
    EXPECT_FALSE(g.customText());
    EXPECT_EQ(g.BackColor(), QColor(Qt::white));
    EXPECT_EQ(g.ForeColor(), kFore);
    EXPECT_EQ(g.BorderStyle(), bsSingle);
    EXPECT_EQ(g.GaugeKind(), gkHorizontalBar);
    EXPECT_EQ(g.MinValue(), 0);
    EXPECT_EQ(g.MaxValue(), 100);
    EXPECT_EQ(g.AlertValue(), 80);
    EXPECT_EQ(g.Progress(), 0);
    EXPECT_TRUE(g.ShowText());
    EXPECT_EQ(g.Caption(), u"%d");
    EXPECT_EQ(g.TextKind(), tkValueDone);
}

TEST(TextGauge, ProgressIsClampedAndRangeChangesCarryIt) {
    TTextGauge g;
    g.SetProgress(250);
    EXPECT_EQ(g.Progress(), 100);
    g.SetProgress(-5);
    EXPECT_EQ(g.Progress(), 0);
    g.SetMinValue(10);
    EXPECT_EQ(g.Progress(), 10);
    g.SetProgress(90);
    g.SetMaxValue(50);
    EXPECT_EQ(g.Progress(), 50);
    EXPECT_EQ(g.PercentDone(), 100);
    g.SetMinValue(50); // an empty range is allowed: 0 %
    EXPECT_EQ(g.PercentDone(), 0);
}

TEST(TextGauge, EmptyRangesAreRefusedOutsideLoading) {
    TTextGauge g;
    try {
        g.SetMinValue(101);
        FAIL() << "no failure";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Value must be between -2147483647 and 99");
    }
    g.SetMinValue(20);
    try {
        g.SetMaxValue(19);
        FAIL() << "no failure";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Value must be between 21 and 2147483647");
    }
    EXPECT_EQ(g.MaxValue(), 100);
    g.SetLoading(true);
    g.SetMaxValue(5); // restored before the minimum
    g.SetLoading(false);
    EXPECT_EQ(g.MaxValue(), 5);
}

TEST(TextGauge, TextsByKind) {
    TTextGauge g;
    g.SetMaxValue(200);
    g.SetProgress(50);
    g.SetCaption("%d Mo\u00A9 %% %s");
    EXPECT_EQ(g.GaugeText(), u"50 Mo\u00A9 % %s");
    g.SetTextKind(tkValueRemaining);
    EXPECT_EQ(g.GaugeText(), u"150 Mo\u00A9 % %s");
    g.SetTextKind(tkPercentDone);
    EXPECT_EQ(g.GaugeText(), u"25%");
    g.SetTextKind(tkPercentRemaining);
    EXPECT_EQ(g.GaugeText(), u"75%");
    g.SetCustomText(true);
    g.SetCaption("12 Gb");
    EXPECT_EQ(g.GaugeText(), u"12 Gb");
    g.SetShowText(false);
    EXPECT_EQ(g.GaugeText(), u"");
}

TEST(TextGauge, AlertColourFollowsTheTextKind) {
    TTextGauge g;
    g.resize(102, 102);
    g.SetTextKind(tkPercentDone);
    g.SetAlertValue(81);
    g.SetProgress(81);
    EXPECT_EQ(g.FillColor(), kFore);
    g.SetProgress(82);
    EXPECT_EQ(g.FillColor(), kAlert);
    g.SetShowText(false);
    EXPECT_EQ(countInRow(g.Render(), 50, kAlert), 82);

    g.SetTextKind(tkPercentRemaining);
    g.SetAlertValue(100);
    for (int v : {0, 50, 99}) {
        g.SetProgress(v);
        EXPECT_EQ(g.FillColor(), kAlert) << v;
    }
    g.SetProgress(100);
    EXPECT_EQ(g.FillColor(), kFore);
}

TEST(TextGauge, BarsFillTheirShareOfTheArea) {
    TTextGauge g;
    g.resize(102, 52); // a 100 by 50 drawing area inside the frame
    g.SetShowText(false);
    g.SetAlertValue(100);
    g.SetProgress(50);
    const QImage bar = g.Render();
    EXPECT_EQ(countInRow(bar, 20, kFore), 50);
    EXPECT_EQ(pixel(bar, 1, 20), kFore);
    EXPECT_EQ(pixel(bar, 51, 20), QColor(Qt::white));
    EXPECT_EQ(pixel(bar, 0, 20), QColor(Qt::black)); // the frame

    g.SetProgress(100);
    EXPECT_EQ(countInRow(g.Render(), 20, kFore), 100);
    g.SetBorderStyle(bsNone);
    EXPECT_EQ(countInRow(g.Render(), 20, kFore), 102);

    g.SetGaugeKind(gkVerticalBar);
    g.SetProgress(50);
    const QImage column = g.Render();
    EXPECT_EQ(pixel(column, 50, 51), kFore); // bottom row
    EXPECT_EQ(pixel(column, 50, 26), kFore);
    EXPECT_EQ(pixel(column, 50, 25), QColor(Qt::white));

    g.SetMaxValue(0); // min = max: nothing filled
    EXPECT_EQ(g.PercentDone(), 0);
    EXPECT_FALSE(contains(g.Render(), kFore));
}

TEST(TextGauge, PieAndNeedlePointWhereThePercentageSays) {
    TTextGauge g;
    g.SetShowText(false);
    g.SetGaugeKind(gkPie);
    g.SetProgress(25); // from 12 o'clock to 3 o'clock
    const QImage pie = g.Render();
    EXPECT_EQ(pixel(pie, 70, 30), kFore);
    EXPECT_EQ(pixel(pie, 30, 30), QColor(Qt::white));
    EXPECT_EQ(pixel(pie, 70, 70), QColor(Qt::white));

    g.SetGaugeKind(gkNeedle);
    g.SetProgress(50); // straight up from the middle of the base
    const QImage needle = g.Render();
    EXPECT_EQ(pixel(needle, 50, 40), kFore);
    EXPECT_EQ(pixel(needle, 25, 40), QColor(Qt::white));
    g.SetProgress(0);
    EXPECT_EQ(pixel(g.Render(), 50, 40), QColor(Qt::white));
}

TEST(TextGauge, TextIsCombinedByExclusiveOrOverBothParts) {
    TTextGauge g;
    g.resize(120, 40);
    QFont big = g.font();
    big.setPixelSize(30);
    big.setBold(true);
    g.setFont(big);
    g.SetTextKind(tkPercentDone);
    g.SetProgress(50);
    const QImage image = g.Render();
    const QRgb invert = 0xFFFFFF;
    EXPECT_TRUE(contains(image, QColor::fromRgb(kFore.rgb() ^ invert))); // over the filled part
    EXPECT_TRUE(contains(image, QColor(Qt::black)));                     // over the white part
    EXPECT_EQ(pixel(image, 3, 3), kFore);    // outside the text the gauge is untouched
    for (int y = 0; y < image.height(); ++y) // the combination leaves every pixel opaque
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(qAlpha(image.pixel(x, y)), 255);
}

// Counts the paint events the gauge receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

TEST(TextGauge, RepaintsOnlyWhenThePictureChanges) {
    TTextGauge g;
    g.SetTextKind(tkPercentDone);
    g.SetMaxValue(1000);
    g.SetAlertValue(2000);
    g.show();
    QCoreApplication::processEvents();
    PaintCounter counter;
    g.installEventFilter(&counter);
    g.SetProgress(503);
    QCoreApplication::processEvents();
    g.SetProgress(507);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 1); // 0 % -> 50 %, then still 50 %
    g.SetProgress(512);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 2);
    g.SetTextKind(tkValueDone); // the value text changes within one percent
    QCoreApplication::processEvents();
    g.SetProgress(513);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 4);
}

TEST(TextGauge, PictureOfEveryKind) {
    QImage sheet(5 * 110 + 10, 120, QImage::Format_RGB32);
    sheet.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&sheet);
    const TGaugeKind kinds[] = {gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle};
    const int progress[] = {40, 40, 65, 30, 85};
    for (int i = 0; i < 5; ++i) {
        TTextGauge g;
        g.SetGaugeKind(kinds[i]);
        g.SetTextKind(tkPercentDone);
        g.SetProgress(progress[i]);
        p.drawImage(10 + 110 * i, 10, g.Render());
    }
    p.end();
    EXPECT_FALSE(sptest::savePicture(sheet, "text_gauge.png").isEmpty());
}

} // namespace
} // namespace sp
