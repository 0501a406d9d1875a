#include "ui/system_info.h"

#include <QTextCursor>
#include <QTextEdit>

namespace sp {
namespace {

// CR LF, a lone CR or a lone LF: one line break each.
QString withLineBreaks(const QString& line, const QString& lineBreak) {
    QString out = line;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    out.replace(QStringLiteral("\n"), lineBreak);
    return out;
}

} // namespace

QString& SystemInfoText() {
    static QString text;
    return text;
}

void AddSystemInfoLine(QTextEdit* display, const QString& line, const QColor& color) {
    static const QString mailBreak = QStringLiteral("%0D%0A");
    SystemInfoText() += withLineBreaks(line, mailBreak) + mailBreak;
    if (!display) return;
    QTextCharFormat format = display->currentCharFormat();
    format.setForeground(color);
    QTextCursor cursor(display->document());
    cursor.movePosition(QTextCursor::End);
    if (!display->document()->isEmpty()) cursor.insertBlock();
    cursor.insertText(withLineBreaks(line, QStringLiteral("\n")), format);
}

} // namespace sp
