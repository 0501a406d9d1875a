#pragma once
// The message target of a Qt program: messages from any thread are handled on the thread that
// owns the target (the main thread). post() queues the call and returns at once; send() runs it
// at once when called on the main thread, otherwise blocks the caller until the main thread has
// handled it (a blocking queued call), and returns the handler's result. A send with a SendCall
// queues the call the same way but waits on the SendCall, so that it can be called off.
//
// The handler runs on the main thread only. A target destroyed with calls still queued drops
// them; a send() to a destroyed target answers 0.

#include "platform/graph/message_target.h"

#include <QObject>

#include <functional>
#include <memory>

namespace sp {

class QtMessageTarget final : public mf::IMessageTarget {
public:
    using Handler = std::function<intptr_t(uint32_t msg, uintptr_t wParam, intptr_t lParam)>;

    // Must be created on the main thread, after the application object.
    explicit QtMessageTarget(Handler handler);
    ~QtMessageTarget() override;

    void post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    intptr_t send(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    intptr_t send(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                  const std::shared_ptr<mf::SendCall>& call) override;

private:
    Handler handler_;
    std::unique_ptr<QObject> receiver_; // lives on the main thread
};

} // namespace sp
