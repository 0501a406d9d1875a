#pragma once
// Driving a link label with the mouse as a user does: the point of a shown character, and mouse
// events sent to the label's viewport.

#include "ui/link_edit.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTextCursor>

namespace sptest {

// The centre of the character at a shown position, in viewport coordinates.
inline QPoint pointOfCharacter(const sp::TLinkEdit& edit, int position) {
    QTextCursor c(edit.document());
    c.setPosition(position);
    const QRect left = edit.cursorRect(c);
    c.setPosition(position + 1);
    const QRect right = edit.cursorRect(c);
    const int x = right.top() == left.top() ? (left.x() + right.x()) / 2 : left.x() + 2;
    return {x, left.center().y()};
}

// The point of the first character of `text` in the label's shown text.
inline QPoint pointOfText(const sp::TLinkEdit& edit, const QString& text) {
    return pointOfCharacter(edit, static_cast<int>(edit.toPlainText().indexOf(text)));
}

inline void sendMouse(sp::TLinkEdit& edit, QEvent::Type type, QPoint at) {
    QMouseEvent event(type, QPointF(at), edit.viewport()->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(edit.viewport(), &event);
}

} // namespace sptest
