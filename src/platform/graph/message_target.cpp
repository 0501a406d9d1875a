#include "platform/graph/message_target.h"

#include <mutex>

namespace mf {

namespace {
std::mutex& targetMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<IMessageTarget>& targetSlot() {
    static std::shared_ptr<IMessageTarget> target;
    return target;
}
} // namespace

void setMainWindowTarget(std::shared_ptr<IMessageTarget> target) {
    std::lock_guard lock(targetMutex());
    targetSlot() = std::move(target);
}

std::shared_ptr<IMessageTarget> mainWindowTarget() {
    std::lock_guard lock(targetMutex());
    return targetSlot();
}

void SendCall::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
}

void SendCall::complete(const std::function<intptr_t()>& handler) {
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return;
    }
    const intptr_t result = handler();
    {
        std::lock_guard lock(mutex_);
        result_ = result;
        done_ = true;
    }
    changed_.notify_all();
}

intptr_t SendCall::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return done_ || cancelled_; });
    return done_ ? result_ : 0;
}

intptr_t SendGate::send(IMessageTarget& target, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    auto call = std::make_shared<SendCall>();
    {
        std::lock_guard lock(mutex_);
        if (closed_) return 0;
        current_ = call;
    }
    const intptr_t result = target.send(msg, wParam, lParam, call);
    std::lock_guard lock(mutex_);
    if (current_ == call) current_.reset();
    return result;
}

void SendGate::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    if (current_) current_->cancel();
    current_.reset();
}

void SendGate::open() {
    std::lock_guard lock(mutex_);
    closed_ = false;
}

} // namespace mf
