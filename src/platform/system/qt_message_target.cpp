#include "platform/system/qt_message_target.h"

#include <QMetaObject>
#include <QPointer>
#include <QThread>

namespace sp {

namespace {

// Calls the send off when the queued call goes away without having run (the target was
// destroyed first), so that its sender does not wait for ever. Shared by the copies of the
// queued call; the last one to go decides.
struct QueuedSend {
    std::shared_ptr<mf::SendCall> call;
    ~QueuedSend() { call->cancel(); }
};

} // namespace

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

intptr_t QtMessageTarget::send(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                               const std::shared_ptr<mf::SendCall>& call) {
    QObject* receiver = receiver_.get();
    if (QThread::currentThread() == receiver->thread()) return handler_(msg, wParam, lParam);
    // The queued call alone holds the QueuedSend (it may run after the sender has given up).
    auto queued = std::make_shared<QueuedSend>();
    queued->call = call;
    QMetaObject::invokeMethod(
        receiver,
        [this, queued = std::move(queued), msg, wParam, lParam] {
            queued->call->complete([&] { return handler_(msg, wParam, lParam); });
        },
        Qt::QueuedConnection);
    return call->wait();
}

} // namespace sp
