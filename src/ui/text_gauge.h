#pragma once
// TTextGauge: a small painted control showing a value between a minimum and a maximum as a bar,
// a pie or a needle, with a text drawn over it by exclusive-or so that it reads over the filled
// and the empty part alike. The fill turns to the alert colour when the value passes the alert
// threshold. The picture is composed off screen (gauge, text, then the combination) and copied to
// the screen in one piece, so painting never flickers.
//
// User-interface thread only. SetMinValue and SetMaxValue throw std::out_of_range with the
// message "Value must be between %d and %d" when asked for an empty range (not while loading).

#include <QImage>
#include <QWidget>

namespace sp {

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
enum TTextKind { tkPercentDone, tkValueDone, tkValueRemaining, tkPercentRemaining };
enum TGaugeBorderStyle { bsNone, bsSingle };

class TTextGauge : public QWidget {
    Q_OBJECT
public:
    explicit TTextGauge(QWidget* parent = nullptr);

    static constexpr QRgb kAlertColor = 0xEEA3A2;

    bool customText() const { return customText_; }
    QColor BackColor() const { return backColor_; }
    TGaugeBorderStyle BorderStyle() const { return borderStyle_; }
    QColor ForeColor() const { return foreColor_; }
    TGaugeKind GaugeKind() const { return gaugeKind_; }
    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    int AlertValue() const { return alertValue_; }
    int Progress() const { return progress_; }
    bool ShowText() const { return showText_; }
    QString Caption() const { return caption_; }
    TTextKind TextKind() const { return textKind_; }

    void SetCustomText(bool on);
    void SetBackColor(const QColor& color);
    void SetBorderStyle(TGaugeBorderStyle style);
    void SetForeColor(const QColor& color);
    void SetGaugeKind(TGaugeKind kind);
    void SetMinValue(int value);
    void SetMaxValue(int value);
    void SetAlertValue(int value);
    // Clamped to MinValue..MaxValue; repaints only when the picture changes (the percentage, or
    // the value text of the value kinds).
    void SetProgress(int value);
    void SetShowText(bool on);
    void SetCaption(const QString& caption);
    void SetTextKind(TTextKind kind);

    // While set, SetMinValue and SetMaxValue accept any value (properties being restored in any
    // order).
    void SetLoading(bool loading) { loading_ = loading; }

    // (Progress - MinValue) * 100 / (MaxValue - MinValue), truncated; 0 for an empty range.
    int PercentDone() const;
    // The colour the filled part is drawn in now.
    QColor FillColor() const;
    // The text drawn over the gauge now (empty when ShowText is off).
    QString GaugeText() const;
    // The whole picture at the control's size, as it is copied to the screen.
    QImage Render();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    template <typename T> void store(T& member, const T& value);
    QRect drawingArea() const;
    void drawGauge(QPainter& p, const QRect& area) const;
    void drawPie(QPainter& p, const QRect& area) const;
    void drawNeedle(QPainter& p, const QRect& area) const;
    void composeText(const QRect& area);

    bool customText_ = false;
    QColor backColor_{Qt::white};
    TGaugeBorderStyle borderStyle_ = bsSingle;
    QColor foreColor_{0xC0, 0xDC, 0xC0};
    TGaugeKind gaugeKind_ = gkHorizontalBar;
    int minValue_ = 0;
    int maxValue_ = 100;
    int alertValue_ = 80;
    int progress_ = 0;
    bool showText_ = true;
    QString caption_ = QStringLiteral("%d");
    TTextKind textKind_ = tkValueDone;
    bool loading_ = false;

    // Off-screen images, kept at the control's size.
    QImage picture_;
    QImage gauge_;
    QImage text_;
};

// Formats a caption with one integer: "%d" becomes the number, "%%" a single "%"; anything else
// stays as written, so a caption typed by a user cannot misbehave.
QString FormatGaugeCaption(const QString& caption, int value);

} // namespace sp
