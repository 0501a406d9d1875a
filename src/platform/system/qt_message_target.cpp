#include "platform/system/qt_message_target.h"

#include <QMetaObject>
#include <QPointer>
#include <QThread>

namespace sp {

QtMessageTarget::QtMessageTarget(Handler handler)
    : handler_(std::move(handler)), receiver_(std::make_unique<QObject>()) {}

QtMessageTarget::~QtMessageTarget() = default;

void QtMessageTarget::post(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    QObject* receiver = receiver_.get();
    QMetaObject::invokeMethod(
        receiver, [this, msg, wParam, lParam] { handler_(msg, wParam, lParam); },
        Qt::QueuedConnection);
}

intptr_t QtMessageTarget::send(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    QObject* receiver = receiver_.get();
    if (QThread::currentThread() == receiver->thread()) return handler_(msg, wParam, lParam);
    intptr_t result = 0;
    QMetaObject::invokeMethod(
        receiver, [&] { result = handler_(msg, wParam, lParam); },
        Qt::BlockingQueuedConnection);
    return result;
}

} // namespace sp
