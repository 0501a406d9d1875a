#include "ui/text_gauge.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace sp {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

std::out_of_range rangeError(int low, int high) {
    return std::out_of_range(
        QStringLiteral("Value must be between %1 and %2").arg(low).arg(high).toStdString());
}

} // namespace

QString FormatGaugeCaption(const QString& caption, int value) {
    QString out;
    out.reserve(caption.size() + 12);
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'%' && i + 1 < caption.size()) {
            if (caption[i + 1] == u'd') {
                out += QString::number(value);
                ++i;
                continue;
            }
            if (caption[i + 1] == u'%') {
                out += u'%';
                ++i;
                continue;
            }
        }
        out += caption[i];
    }
    return out;
}

TTextGauge::TTextGauge(QWidget* parent) : QWidget(parent) {
    resize(100, 100);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

template <typename T> void TTextGauge::store(T& member, const T& value) {
    if (member == value) return;
    member = value;
    update();
}

void TTextGauge::SetCustomText(bool on) {
    store(customText_, on);
}
void TTextGauge::SetBackColor(const QColor& color) {
    store(backColor_, color);
}
void TTextGauge::SetBorderStyle(TGaugeBorderStyle style) {
    store(borderStyle_, style);
}
void TTextGauge::SetForeColor(const QColor& color) {
    store(foreColor_, color);
}
void TTextGauge::SetGaugeKind(TGaugeKind kind) {
    store(gaugeKind_, kind);
}
void TTextGauge::SetAlertValue(int value) {
    store(alertValue_, value);
}
void TTextGauge::SetShowText(bool on) {
    store(showText_, on);
}
void TTextGauge::SetCaption(const QString& caption) {
    store(caption_, caption);
}
void TTextGauge::SetTextKind(TTextKind kind) {
    store(textKind_, kind);
}

void TTextGauge::SetMinValue(int value) {
    if (value == minValue_) return;
    if (value > maxValue_ && !loading_) throw rangeError(-kIntMax, maxValue_ - 1);
    minValue_ = value;
    if (progress_ < value) progress_ = value;
    update();
}

void TTextGauge::SetMaxValue(int value) {
    if (value == maxValue_) return;
    if (value < minValue_ && !loading_) throw rangeError(minValue_ + 1, kIntMax);
    maxValue_ = value;
    if (progress_ > value) progress_ = value;
    update();
}

// Repaints when the picture changes: mostly the percentage, but over a range wider than 100 the
// value text and the alert colour can change while the percentage stays.
void TTextGauge::SetProgress(int value) {
    value = std::clamp(value, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
    if (value == progress_) return;
    const int percent = PercentDone();
    const QString text = GaugeText();
    const QColor fill = FillColor();
    progress_ = value;
    if (PercentDone() != percent || GaugeText() != text || FillColor() != fill) update();
}

int TTextGauge::PercentDone() const {
    if (maxValue_ == minValue_) return 0;
    const int64_t done = int64_t(progress_) - minValue_;
    return static_cast<int>(done * 100 / (int64_t(maxValue_) - minValue_));
}

QColor TTextGauge::FillColor() const {
    const bool done = textKind_ == tkPercentDone || textKind_ == tkValueDone;
    const bool alert = done ? progress_ > alertValue_ : progress_ < alertValue_;
    return alert ? QColor::fromRgb(kAlertColor) : foreColor_;
}

QString TTextGauge::GaugeText() const {
    if (!showText_) return {};
    if (customText_) return caption_;
    switch (textKind_) {
    case tkPercentDone:
        return QString::number(PercentDone()) + u'%';
    case tkValueDone:
        return FormatGaugeCaption(caption_, progress_);
    case tkValueRemaining:
        return FormatGaugeCaption(caption_, static_cast<int>(int64_t(maxValue_) - progress_));
    case tkPercentRemaining:
        return QString::number(100 - PercentDone()) + u'%';
    }
    return {};
}

QRect TTextGauge::drawingArea() const {
    return borderStyle_ == bsSingle ? rect().adjusted(1, 1, -1, -1) : rect();
}

void TTextGauge::drawGauge(QPainter& p, const QRect& area) const {
    const QColor fill = FillColor();
    const int64_t w = area.width() + 1;
    const int64_t h = area.height() + 1;
    const int percent = PercentDone();
    switch (gaugeKind_) {
    case gkText:
        p.fillRect(area, backColor_);
        break;
    case gkHorizontalBar: {
        p.fillRect(area, backColor_);
        const int filled = static_cast<int>(std::min(w * percent / 100, w));
        if (filled >= 1) p.fillRect(QRect(area.left(), area.top(), filled, area.height()), fill);
        break;
    }
    case gkVerticalBar: {
        p.fillRect(area, backColor_);
        const int filled = static_cast<int>(std::min(h * percent / 100, h));
        if (filled >= 1)
            p.fillRect(QRect(area.left(), area.bottom() + 1 - filled, area.width(), filled), fill);
        break;
    }
    case gkPie:
        drawPie(p, area);
        break;
    case gkNeedle:
        drawNeedle(p, area);
        break;
    }
}

void TTextGauge::drawPie(QPainter& p, const QRect& area) const {
    p.fillRect(area, palette().color(QPalette::Window));
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF ellipse = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(FillColor());
    p.setBrush(backColor_);
    p.drawEllipse(ellipse);
    if (PercentDone() > 0) {
        p.setBrush(FillColor());
        // Qt counts angles anticlockwise from 3 o'clock in sixteenths of a degree.
        p.drawPie(ellipse, 90 * 16, -static_cast<int>(std::lround(PercentDone() * 3.6 * 16)));
    }
}

void TTextGauge::drawNeedle(QPainter& p, const QRect& area) const {
    p.fillRect(area, palette().color(QPalette::Window));
    p.setRenderHint(QPainter::Antialiasing);
    // The upper half of an ellipse as wide as the area and twice as high; its straight edge,
    // the base line, runs along the bottom of the area.
    const QRectF ellipse(area.left() + 0.5, area.top() + 0.5, area.width() - 1.0,
                         2.0 * area.height() - 1.0);
    p.setPen(FillColor());
    p.setBrush(backColor_);
    p.drawPie(ellipse, 0, 180 * 16);
    if (PercentDone() > 0) {
        const QPointF centre = ellipse.center();
        const double angle = std::numbers::pi * PercentDone() / 100.0;
        const QPointF tip(centre.x() - ellipse.width() / 2 * std::cos(angle),
                          centre.y() - ellipse.height() / 2 * std::sin(angle));
        p.setPen(QPen(FillColor(), 2));
        p.drawLine(centre, tip);
    }
}

// White text on black, combined with the gauge by exclusive-or: black leaves the gauge as it is,
// white inverts it, so the text shows over any colour.
void TTextGauge::composeText(const QRect& area) {
    text_.fill(Qt::black);
    const QString text = GaugeText();
    if (text.isEmpty()) return;
    QPainter p(&text_);
    p.setClipRect(area);
    p.setFont(font());
    p.setPen(Qt::white);
    const QFontMetrics metrics(font());
    const int left = area.left() + (area.width() - metrics.horizontalAdvance(text) + 1) / 2;
    const int top = area.top() + (area.height() - metrics.height() + 1) / 2;
    p.drawText(left, top + metrics.ascent(), text);
}

QImage TTextGauge::Render() {
    if (picture_.size() != size()) {
        picture_ = QImage(size(), QImage::Format_RGB32);
        gauge_ = QImage(size(), QImage::Format_RGB32);
        text_ = QImage(size(), QImage::Format_RGB32);
    }
    if (picture_.isNull()) return picture_;
    const QRect area = drawingArea();
    {
        QPainter p(&gauge_);
        p.fillRect(rect(), palette().color(QPalette::Window));
        if (borderStyle_ == bsSingle) {
            p.setPen(palette().color(QPalette::WindowText));
            p.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        p.setClipRect(area);
        drawGauge(p, area);
    }
    composeText(area);
    QPainter p(&picture_);
    p.drawImage(0, 0, gauge_);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(0, 0, text_);
    return picture_;
}

void TTextGauge::paintEvent(QPaintEvent*) {
    const QImage picture = Render();
    QPainter(this).drawImage(0, 0, picture);
}

} // namespace sp
