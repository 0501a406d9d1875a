#pragma once
// A one-line label that shortens a text too long for its width with "…" (at the end or in the
// middle), and then shows the whole text as its hint. User-interface thread only.

#include <QColor>
#include <QWidget>

namespace sp {

class TElidingLabel : public QWidget {
    Q_OBJECT
public:
    explicit TElidingLabel(Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    void setColor(const QColor& color);
    QColor color() const { return color_; }
    void setAlignment(Qt::Alignment alignment);
    // The hint shown while the text fits (the whole text is shown while it does not).
    void setHint(const QString& hint);
    // The text as painted at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateHint();

    QString text_;
    QString hint_;
    QColor color_;
    Qt::TextElideMode mode_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};

} // namespace sp
