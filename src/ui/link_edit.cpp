#include "ui/link_edit.h"

#include <QAbstractTextDocumentLayout>
#include <QHelpEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>

#include <algorithm>

namespace sp {
namespace {

// Sizes from untrusted mark-up are kept to what a screen can show; a size of 0 (text that is not
// a number) still shows its text, at the smallest size.
constexpr double kMinPointSize = 1;
constexpr double kMaxPointSize = 256;

QTextCharFormat charFormat(const TMarkupStyle& style) {
    QTextCharFormat f;
    f.setFontWeight(style.Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(style.Italic);
    f.setFontUnderline(style.Underline);
    f.setFontStrikeOut(style.StrikeOut);
    f.setForeground(style.Color);
    f.setFontPointSize(std::clamp(style.PointSize, kMinPointSize, kMaxPointSize));
    if (!style.Face.isEmpty()) f.setFontFamilies(QStringList{style.Face});
    return f;
}

// Qt's word-boundary wrapping takes time quadratic in the length of a word that must be broken
// anyway; past this length lines are wrapped anywhere instead.
constexpr int kLongestWrappedWord = 256;

bool hasOverlongWord(const TMarkupDocument& doc) {
    for (const TMarkupLine& line : doc.Lines) {
        int word = 0;
        for (const TMarkupRun& run : line.Runs)
            for (QChar c : run.Text) {
                word = c.isSpace() ? 0 : word + 1;
                if (word > kLongestWrappedWord) return true;
            }
    }
    return false;
}

} // namespace

TLinkEdit::TLinkEdit(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setUndoRedoEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::ArrowCursor);
    readBaseFromWidget();
}

void TLinkEdit::SetRichText(const QString& text) {
    richText_ = text;
    rebuild();
}

void TLinkEdit::SetUrlColor(const QColor& color) {
    base_.UrlColor = color;
    rebuild();
}

void TLinkEdit::SetMailColor(const QColor& color) {
    base_.MailColor = color;
    rebuild();
}

void TLinkEdit::SetLinkColor(const QColor& color) {
    base_.LinkColor = color;
    rebuild();
}

void TLinkEdit::SetAlignment(Qt::Alignment alignment) {
    base_.Alignment = alignment;
    rebuild();
}

void TLinkEdit::readBaseFromWidget() {
    const QFont f = font();
    TMarkupStyle& s = base_.Style;
    s.Bold = f.bold();
    s.Italic = f.italic();
    s.Underline = f.underline();
    s.StrikeOut = f.strikeOut();
    s.Color = palette().color(QPalette::Text);
    s.PointSize = f.pointSizeF() > 0 ? f.pointSizeF() : 9;
    s.Face = f.family();
    base_.ButtonFace = palette().color(QPalette::Button);
    base_.AppWorkspace = palette().color(QPalette::Mid);
}

// The whole document is replaced in one edit with painting held back, so the label never shows a
// half-built message.
void TLinkEdit::rebuild() {
    rebuilding_ = true;
    readBaseFromWidget();
    document_ = ParseMarkup(richText_, base_);
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    QTextDocument* doc = document();
    doc->clear();
    // Set on the empty document, so the previous message is not laid out again.
    setWordWrapMode(hasOverlongWord(document_) ? QTextOption::WrapAnywhere
                                               : QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    bool first = true;
    for (const TMarkupLine& line : document_.Lines) {
        if (!first) cursor.insertBlock();
        first = false;
        QTextBlockFormat block;
        block.setAlignment(line.Alignment);
        cursor.setBlockFormat(block);
        for (const TMarkupRun& run : line.Runs)
            cursor.insertText(run.Text, charFormat(run.Style));
    }
    cursor.endEditBlock();
    // A new message is read from its beginning.
    setTextCursor(QTextCursor(doc));
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    setUpdatesEnabled(updates);
    rebuilding_ = false;
}

int TLinkEdit::PositionAt(const QPoint& viewportPoint) const {
    const QPointF documentPoint = QPointF(viewportPoint) + QPointF(horizontalScrollBar()->value(),
                                                                   verticalScrollBar()->value());
    return document()->documentLayout()->hitTest(documentPoint, Qt::ExactHit);
}

std::optional<TMarkupLink> TLinkEdit::LinkAt(const QPoint& viewportPoint) const {
    const int position = PositionAt(viewportPoint);
    if (position < 0) return std::nullopt;
    return MarkupLinkAt(document_, position);
}

bool TLinkEdit::hintConnected(TLinkKind kind) const {
    switch (kind) {
    case TLinkKind::Url:
        return isSignalConnected(QMetaMethod::fromSignal(&TLinkEdit::UrlHint));
    case TLinkKind::Mail:
        return isSignalConnected(QMetaMethod::fromSignal(&TLinkEdit::MailHint));
    case TLinkKind::Named:
        return isSignalConnected(QMetaMethod::fromSignal(&TLinkEdit::CustomLinkHint));
    }
    return false;
}

QString TLinkEdit::askHint(const TMarkupLink& link) {
    QString hint;
    switch (link.Kind) {
    case TLinkKind::Url:
        emit UrlHint(link.Target, &hint);
        break;
    case TLinkKind::Mail:
        emit MailHint(link.Target, &hint);
        break;
    case TLinkKind::Named:
        emit CustomLinkHint(link.Target, &hint);
        break;
    }
    return hint;
}

void TLinkEdit::mouseMoveEvent(QMouseEvent* event) {
    QTextEdit::mouseMoveEvent(event);
    const auto link = LinkAt(event->position().toPoint());
    if (!link) {
        viewport()->setCursor(Qt::ArrowCursor);
        hintsOn_ = false;
        setToolTip(QString());
        QToolTip::hideText();
        return;
    }
    if (UseInternalCursor) viewport()->setCursor(Qt::PointingHandCursor);
    if (hintConnected(link->Kind)) {
        viewport()->setCursor(Qt::PointingHandCursor);
        setToolTip(askHint(*link));
        hintsOn_ = true;
    }
}

void TLinkEdit::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    const auto link = LinkAt(event->position().toPoint());
    if (!link) return;
    switch (link->Kind) {
    case TLinkKind::Url:
        emit UrlClick(link->Target);
        break;
    case TLinkKind::Mail:
        emit MailClick(link->Target);
        break;
    case TLinkKind::Named:
        emit CustomLinkClick(link->Target);
        break;
    }
}

// A change of font or palette changes the base the mark-up falls back to.
void TLinkEdit::changeEvent(QEvent* event) {
    QTextEdit::changeEvent(event);
    if (!rebuilding_ &&
        (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange))
        rebuild();
}

// Tool tips show only while the mouse is over a link whose hint was asked for.
bool TLinkEdit::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        if (!hintsOn_ || toolTip().isEmpty()) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), toolTip(), this);
        return true;
    }
    return QTextEdit::viewportEvent(event);
}

} // namespace sp
