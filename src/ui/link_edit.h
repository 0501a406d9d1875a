#pragma once
// TLinkEdit: a read-only rich-text label for the program's formatted messages. Its text is
// written in the program's tag language (ui/link_markup.h), parsed by our own parser and shown
// through a Qt text document; Qt's HTML reader is never used, so file names and settings shown in
// a message cannot inject anything. The label reports hovering and clicks over links as signals
// and never acts on a link itself.
//
// User-interface thread only. The hint signals must be connected directly (they hand out a
// pointer to the hint text the receiver may change).

#include "ui/link_markup.h"

#include <QTextEdit>

namespace sp {

class TLinkEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TLinkEdit(QWidget* parent = nullptr);

    // The mark-up; setting it rebuilds the display at once.
    QString RichText() const { return richText_; }
    void SetRichText(const QString& text);

    // Link colours, navy at creation; changing one rebuilds the display.
    QColor UrlColor() const { return base_.UrlColor; }
    QColor MailColor() const { return base_.MailColor; }
    QColor LinkColor() const { return base_.LinkColor; }
    void SetUrlColor(const QColor& color);
    void SetMailColor(const QColor& color);
    void SetLinkColor(const QColor& color);

    // Alignment of lines a "BR" does not align (left at creation).
    Qt::Alignment Alignment() const { return base_.Alignment; }
    void SetAlignment(Qt::Alignment alignment);

    // When set, the label shows the hand cursor over links and the arrow elsewhere itself.
    bool UseInternalCursor = false;

    // The shown text of the first pass (line breaks as CR LF).
    QString ShownText() const { return MarkupShownText(richText_); }
    // The parsed document currently shown.
    const TMarkupDocument& Document() const { return document_; }
    // The link at a point of the viewport, as the mouse handlers find it.
    std::optional<TMarkupLink> LinkAt(const QPoint& viewportPoint) const;
    // The shown position of the character at a viewport point; -1 when no character is there.
    int PositionAt(const QPoint& viewportPoint) const;

signals:
    void UrlClick(const QString& link);
    void MailClick(const QString& link);
    void CustomLinkClick(const QString& link);
    // Emitted while the mouse moves over a link; `hint` starts empty and what the receiver leaves
    // in it becomes the label's tool tip.
    void UrlHint(const QString& link, QString* hint);
    void MailHint(const QString& link, QString* hint);
    void CustomLinkHint(const QString& link, QString* hint);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void rebuild();
    void readBaseFromWidget();
    bool hintConnected(TLinkKind kind) const;
    QString askHint(const TMarkupLink& link);

    QString richText_;
    TMarkupBase base_;
    TMarkupDocument document_;
    bool hintsOn_ = false;
    bool rebuilding_ = false;
};

} // namespace sp
