#include "app/plaque.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <memory>

namespace sp {

Tplaque::Tplaque(QWidget* keysTo)
    : QWidget(keysTo, Qt::Window | Qt::FramelessWindowHint), keysTo_(keysTo) {
    setObjectName("plaque");
    setWindowTitle("Stillpick");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    if (keysTo) addActions(keysTo->actions());
}

void Tplaque::showOn(QScreen* screen) {
    if (screen) {
        if (!windowHandle()) create();
        windowHandle()->setScreen(screen);
        setGeometry(screen->geometry());
    }
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void Tplaque::setFrameRect(const QRect& rect) {
    frame_ = rect;
    update();
}

void Tplaque::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (frame_.isEmpty()) return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xC0, 0xC0, 0xC0));
    painter.drawRoundedRect(frame_, 4, 4);
}

void Tplaque::keyPressEvent(QKeyEvent* event) {
    if (!keysTo_) return QWidget::keyPressEvent(event);
    const std::unique_ptr<QKeyEvent> copy(event->clone());
    QCoreApplication::sendEvent(keysTo_, copy.get());
}

void Tplaque::keyReleaseEvent(QKeyEvent* event) {
    if (!keysTo_) return QWidget::keyReleaseEvent(event);
    const std::unique_ptr<QKeyEvent> copy(event->clone());
    QCoreApplication::sendEvent(keysTo_, copy.get());
}

void Tplaque::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    if (Closed) Closed();
}

} // namespace sp
